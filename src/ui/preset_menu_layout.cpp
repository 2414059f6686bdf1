// The preset editor window's controls: where they stand, what they show, and which of the
// editor's handlers each one goes to.

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include "preset/list_rules.h"
#include "ui/fit_font.h"
#include "ui/preset_menu.h"

using tavrin::preset::PresetEditor;
using tavrin::protocol::PresetSetting;

namespace {

namespace setting = tavrin::protocol;

constexpr int kOn = 1;   // the value an "On" button stands for; "Off" stands for 0
constexpr int kOff = 0;
constexpr int kDMY = 1;  // Date Form
constexpr int kMDY = 0;

// Outer frame of the window on the screen.
constexpr QRect kWindowFrame{323, 289, 650, 381};

const char* const kClient = "";  // frame name of controls placed straight on the client area

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
QFont textFont(int pixels, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The designed face is narrow; the host's fallback is often wider. A caption keeps its size where
// it fits its control and shrinks where it would be cut off.
void setFittedFont(QWidget* widget, int pixels, const QString& sample, int width, bool bold = false) {
    widget->setFont(textFont(pixels, bold));
    fitFont(widget, pixels, sample, width, widget->height() + 4, bold);
}

// The caption of the button or list entry that stands for value.
QString labelOf(PresetSetting s, int value) {
    for (const setting::Code& c : setting::info(s).codes)
        if (c.value == value) return qs(c.label);
    return {};
}

// A list's text fits its field beside the arrow, for the longest entry it can ever hold.
void fitListFont(QComboBox* combo, PresetSetting list) {
    QString longest;
    for (const setting::Code& c : setting::info(list).codes)
        if (qs(c.label).size() > longest.size()) longest = qs(c.label);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    const bool presetNo = list == PresetSetting::PresetNo;
    setFittedFont(combo, presetNo ? 15 : 12, longest, field.width(), presetNo);
}

int idSlot(PresetSetting id) { return setting::index(id) - setting::index(PresetSetting::ID1); }

}  // namespace

TPresetMenu::TPresetMenu(tavrin::app::Core& core, QWidget* parent)
    : QDialog(parent), core_(core), editor_(core.editor()) {
    setObjectName(QStringLiteral("PresetMenu"));
    setWindowTitle(QStringLiteral("Preset Menu"));
    // A resizable frame with a caption and no title-bar buttons at all.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(textFont(12));

    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(QStringLiteral("MainMenu1"));
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(client_);

    buildMenus();
    buildFrames();
    buildRadios();
    buildLists();
    buildLabels();
    buildIdEntry();
    buildButtons();
    setFocusOrder();
    placeWindow();

    core_.attachEditorView(*this);
}

TPresetMenu::~TPresetMenu() { core_.detachEditorView(); }

// ---------------------------------------------------------------------------------------------
// Building the window

void TPresetMenu::connectTo(QObject* control, Handler handler) {
    const auto run = [this, handler] { (editor_.*handler)(); };
    if (auto* action = qobject_cast<QAction*>(control))
        connect(action, &QAction::triggered, this, run);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        connect(button, &QAbstractButton::clicked, this, run);
}

void TPresetMenu::buildMenus() {
    struct Item {
        QMenu* TPresetMenu::*menu;
        const char* name;
        const char* caption;  // nullptr: a separator
        Handler handler;
    };
    fileMenu_ = menuBar_->addMenu(QStringLiteral("File(&F)"));
    fileMenu_->setObjectName(QStringLiteral("FileMenu"));
    editMenu_ = menuBar_->addMenu(QStringLiteral("Edit(&E)"));
    editMenu_->setObjectName(QStringLiteral("EditMenu"));

    static const Item kItems[] = {
        {&TPresetMenu::fileMenu_, "Open1", "Open", &PresetEditor::Open1Click},
        {&TPresetMenu::fileMenu_, "SaveasText1", "Save", &PresetEditor::SaveasText1Click},
        {&TPresetMenu::fileMenu_, "N1", nullptr, nullptr},
        {&TPresetMenu::fileMenu_, "EndPresetMenu", "End Preset Menu", &PresetEditor::EndPresetMenuClick},
        {&TPresetMenu::editMenu_, "LoadfromTAVRIN", "Read from TAVRIN", &PresetEditor::LoadfromTAVRINClick},
        {&TPresetMenu::editMenu_, "WritetoTAVRIN", "Write to TAVRIN", &PresetEditor::WritetoTAVRINClick},
    };
    for (const Item& item : kItems) {
        QMenu* menu = this->*item.menu;
        QAction* action =
            item.caption ? menu->addAction(QString::fromLatin1(item.caption)) : menu->addSeparator();
        action->setObjectName(QString::fromLatin1(item.name));
        if (item.handler) connectTo(action, item.handler);
    }

    // Ctrl+F and Ctrl+E open their menus; a disabled heading does not open.
    const std::pair<QMenu*, QKeySequence> headings[] = {{fileMenu_, QKeySequence(Qt::CTRL | Qt::Key_F)},
                                                        {editMenu_, QKeySequence(Qt::CTRL | Qt::Key_E)}};
    for (const auto& [menu, keys] : headings) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, menu = menu] {
            if (menu->menuAction()->isEnabled()) menuBar_->setActiveAction(menu->menuAction());
        });
    }
}

// The caption sits on the frame's top line, so that controls 16 pixels down are inside it.
constexpr const char* kFrameStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 6px; padding: 0 2px; }";

void TPresetMenu::buildFrames() {
    struct Frame {
        const char* name;
        const char* caption;
        const char* parent;
        QRect geometry;
    };
    static const Frame kFrames[] = {
        {"InputAlgoGroup", "", kClient, {8, 24, 249, 241}},
        {"InputSelectGroup", "Input Select", "InputAlgoGroup", {8, 8, 233, 41}},
        {"StereoMonoGroup", "Record Channel", "InputAlgoGroup", {8, 56, 233, 41}},
        {"AlgoGroup", "REC Format", "InputAlgoGroup", {8, 104, 233, 41}},
        {"PreRecGroup", "Pre Record", kClient, {264, 8, 105, 41}},
        {"AutoMarkGroup", "Auto Mark", kClient, {264, 56, 105, 41}},
        {"MTrackGroup", "Manual Track", kClient, {264, 104, 105, 41}},
        {"AutoTrackGroup", "AutoTrack", kClient, {264, 152, 105, 65}},
        {"SeamlsPlayGroup", "Seamless Play", kClient, {264, 224, 105, 41}},
        {"SilentSkipGroup", "Silent Skip", kClient, {376, 8, 129, 89}},
        {"AutoCueGroup", "Auto Cue", kClient, {376, 104, 129, 89}},
        {"PlayModeGroup", "Play Mode", kClient, {8, 280, 361, 41}},
        {"EDLPlayGroup", "EDL Play", kClient, {376, 280, 129, 41}},
        {"IDGroup", "BWF ID", kClient, {512, 8, 121, 89}},
        {"DateDispGroup", "Date Form", kClient, {512, 104, 121, 41}},
    };
    for (const Frame& f : kFrames) {
        auto* group = new QGroupBox(QString::fromLatin1(f.caption), frame(f.parent));
        group->setStyleSheet(QString::fromLatin1(kFrameStyle));
        group->setObjectName(QString::fromLatin1(f.name));
        group->setAccessibleName(QString::fromLatin1(f.caption));
        group->setGeometry(f.geometry);
        setFittedFont(group, 13, group->title(), f.geometry.width() - 16);
    }
}

void TPresetMenu::buildRadios() {
    struct Radio {
        const char* name;
        const char* frame;
        PresetSetting group;
        int value;
        QRect geometry;
        Handler handler;
    };
    using S = PresetSetting;
    using E = PresetEditor;
    // In focus order within each frame.
    static const Radio kRadios[] = {
        {"DigitalRadio", "InputSelectGroup", S::InputSelect, 0, {8, 16, 57, 17}, &E::DigitalRadioClick},
        {"BalanceRadio", "InputSelectGroup", S::InputSelect, 1, {72, 16, 65, 17}, &E::BalanceRadioClick},
        {"UnbalanceRadio", "InputSelectGroup", S::InputSelect, 2, {144, 16, 81, 17}, &E::UnbalanceRadioClick},
        {"StereoRadio", "StereoMonoGroup", S::StereoMono, 0, {8, 16, 81, 17}, &E::StereoRadioClick},
        {"MonoRadio", "StereoMonoGroup", S::StereoMono, 1, {72, 16, 73, 17}, &E::MonoRadioClick},
        {"PCMRadio", "AlgoGroup", S::Algorithm, 2, {8, 16, 49, 17}, &E::PCMRadioClick},
        {"MP2Radio", "AlgoGroup", S::Algorithm, 0, {72, 16, 57, 17}, &E::MP2RadioClick},
        {"MP3Radio", "AlgoGroup", S::Algorithm, 1, {136, 16, 65, 17}, &E::MP3RadioClick},
        {"PreRecOnRadio", "PreRecGroup", S::PreRec, kOn, {8, 16, 41, 17}, &E::PreRecOnRadioClick},
        {"PreRecOffRadio", "PreRecGroup", S::PreRec, kOff, {56, 16, 41, 17}, &E::PreRecOffRadioClick},
        {"AutoMarkOnRadio", "AutoMarkGroup", S::AutoMark, kOn, {8, 16, 41, 17}, &E::AutoMarkOnRadioClick},
        {"AutoMarkOffRadio", "AutoMarkGroup", S::AutoMark, kOff, {56, 16, 41, 17}, &E::AutoMarkOffRadioClick},
        {"MTrackOnRadio", "MTrackGroup", S::MTrack, kOn, {8, 16, 49, 17}, &E::MTrackOnRadioClick},
        {"MTrackOffRadio", "MTrackGroup", S::MTrack, kOff, {56, 16, 41, 17}, &E::MTrackOffRadioClick},
        {"AutoTrackOnRadio", "AutoTrackGroup", S::AutoTrack, kOn, {8, 16, 49, 17}, &E::AutoTrackOnRadioClick},
        {"AutoTrackOffRadio", "AutoTrackGroup", S::AutoTrack, kOff, {56, 16, 41, 17},
         &E::AutoTrackOffRadioClick},
        {"SeamlsPlayOnRadio", "SeamlsPlayGroup", S::SeamlsPlay, kOn, {8, 16, 41, 17},
         &E::SeamlsPlayOnRadioClick},
        {"SeamlsPlayOffRadio", "SeamlsPlayGroup", S::SeamlsPlay, kOff, {56, 16, 41, 17},
         &E::SeamlsPlayOffRadioClick},
        {"SilentSkipOnRadio", "SilentSkipGroup", S::SilentSkip, kOn, {8, 16, 41, 17},
         &E::SilentSkipOnRadioClick},
        {"SilentSkipOffRadio", "SilentSkipGroup", S::SilentSkip, kOff, {56, 16, 41, 17},
         &E::SilentSkipOffRadioClick},
        {"AutoCueOnRadio", "AutoCueGroup", S::AutoCue, kOn, {8, 16, 33, 17}, &E::AutoCueOnRadioClick},
        {"AutoCueOffRadio", "AutoCueGroup", S::AutoCue, kOff, {56, 16, 49, 17}, &E::AutoCueOffRadioClick},
        {"PlayModeNormalRadio", "PlayModeGroup", S::PlayMode, 0, {8, 16, 113, 17},
         &E::PlayModeNormalRadioClick},
        {"TrackRepeatRadio", "PlayModeGroup", S::PlayMode, 1, {80, 16, 89, 17}, &E::TrackRepeatRadioClick},
        {"AllRepeatRadio", "PlayModeGroup", S::PlayMode, 2, {176, 16, 81, 17}, &E::AllRepeatRadioClick},
        {"SinglePlayRadio", "PlayModeGroup", S::PlayMode, 3, {264, 16, 81, 17}, &E::SinglePlayRadioClick},
        {"EDLOnRadio", "EDLPlayGroup", S::EDLPlay, kOn, {16, 16, 41, 17}, &E::EDLOnRadioClick},
        {"EDLOffRadio", "EDLPlayGroup", S::EDLPlay, kOff, {72, 16, 49, 17}, &E::EDLOffRadioClick},
        {"DMYRadio", "DateDispGroup", S::DateForm, kDMY, {8, 16, 49, 17}, &E::DMYRadioClick},
        {"MDYRadio", "DateDispGroup", S::DateForm, kMDY, {64, 16, 41, 17}, &E::MDYRadioClick},
    };
    for (const Radio& r : kRadios) {
        QWidget* parent = frame(r.frame);
        auto* radio = new QRadioButton(labelOf(r.group, r.value), parent);
        radio->setObjectName(QString::fromLatin1(r.name));
        radio->setGeometry(r.geometry);
        const QStyle* style = radio->style();
        const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio) +
                              style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio);
        setFittedFont(radio, 12, radio->text(), r.geometry.width() - indicator);
        // "On" and "Off" alone would not tell the groups apart.
        const bool onOff = setting::info(r.group).kind == setting::Kind::OnOff;
        const QString groupCaption = static_cast<QGroupBox*>(parent)->title();
        radio->setAccessibleName(onOff ? groupCaption + QLatin1Char(' ') + radio->text() : radio->text());

        QButtonGroup*& group = radioGroups_[static_cast<std::size_t>(setting::index(r.group))];
        if (!group) {
            group = new QButtonGroup(this);
            group->setObjectName(QString::fromLatin1(r.frame));
        }
        group->addButton(radio, r.value);
        connectTo(radio, r.handler);
    }
}

void TPresetMenu::buildLists() {
    struct List {
        const char* name;
        const char* frame;
        PresetSetting list;
        QRect geometry;
        const char* accessibleName;  // the label the list stands under or beside
        ListHandler handler;
    };
    using S = PresetSetting;
    using E = PresetEditor;
    static const List kLists[] = {
        {"PresetNoCombo", kClient, S::PresetNo, {80, 0, 41, 23}, "Preset No.", &E::PresetNoComboChange},
        {"SampleRateCombo", "InputAlgoGroup", S::SampleRate, {96, 156, 73, 20}, "Sample Rate",
         &E::SampleRateComboChange},
        {"BitRateCombo", "InputAlgoGroup", S::BitRate, {96, 184, 73, 20}, "Bit Rate", &E::BitRateComboChange},
        {"FmtCombo", "InputAlgoGroup", S::FileFormat, {96, 208, 73, 20}, "File Format", &E::FmtComboChange},
        {"AutoTrackTimeCombo", "AutoTrackGroup", S::AutoTrackTime, {40, 36, 57, 20}, "Auto Track Time",
         &E::AutoTrackTimeComboChange},
        {"SSkipTimeCombo", "SilentSkipGroup", S::SSkipTime, {48, 36, 49, 20}, "Silent Skip Time",
         &E::SSkipTimeComboChange},
        {"SSkipLevelCombo", "SilentSkipGroup", S::SSkipLevel, {48, 60, 49, 20}, "Silent Skip Level",
         &E::SSkipLevelComboChange},
        {"AutoCueTimeCombo", "AutoCueGroup", S::AutoCueTime, {48, 35, 49, 20}, "Auto Cue Time",
         &E::AutoCueTimeComboChange},
        {"AutoCueLevelCombo", "AutoCueGroup", S::AutoCueLevel, {48, 61, 49, 20}, "Auto Cue Level",
         &E::AutoCueLevelComboChange},
        {"RemoteModeCombo", kClient, S::RemoteMode, {376, 224, 129, 20}, "Remote Mode",
         &E::RemoteModeComboChange},
    };
    for (const List& l : kLists) {
        auto* combo = new QComboBox(frame(l.frame));
        combo->setObjectName(QString::fromLatin1(l.name));
        combo->setEditable(false);  // typed text could name no entry; only the entries can be picked
        combo->setGeometry(l.geometry);
        combo->setAccessibleName(QString::fromLatin1(l.accessibleName));
        TPresetMenu::setFieldColour(combo, true);
        lists_[static_cast<std::size_t>(setting::index(l.list))] = combo;
        setListEntries(l.list, tavrin::preset::initialListEntries(l.list));
        fitListFont(combo, l.list);
        connect(combo, &QComboBox::activated, this, [this, handler = l.handler](int position) {
            (editor_.*handler)(position);
        });
    }
}

void TPresetMenu::buildLabels() {
    struct Label {
        const char* name;
        const char* caption;
        const char* frame;
        QPoint position;
        int room;           // width up to the next control
        const char* buddy;  // the control the label names, if any
        int pixels = 13;
    };
    static const Label kLabels[] = {
        {"PresetNoLabel", "Preset No.", kClient, {8, 3}, 70, "PresetNoCombo", 15},
        {"SampleRateLabel", "Sample Rate", "InputAlgoGroup", {16, 160}, 78, "SampleRateCombo"},
        {"KHzLabel", "KHz", "InputAlgoGroup", {176, 160}, 66, nullptr},
        {"BitRateLabel", "Bit Rate", "InputAlgoGroup", {16, 188}, 78, "BitRateCombo"},
        {"BpsLabel", "k.bps", "InputAlgoGroup", {176, 188}, 66, nullptr},
        {"FileFormatLabel", "File Format", "InputAlgoGroup", {16, 212}, 78, "FmtCombo"},
        {"AutoTrackTimeLabel", "Time", "AutoTrackGroup", {8, 40}, 30, "AutoTrackTimeCombo"},
        {"SSkipTimeLabel", "Time", "SilentSkipGroup", {8, 40}, 38, "SSkipTimeCombo"},
        {"SSkipSecLabel", "Sec", "SilentSkipGroup", {102, 40}, 24, nullptr},
        {"SSkipLevelLabel", "Level", "SilentSkipGroup", {8, 64}, 38, "SSkipLevelCombo"},
        {"Label2", "dB", "SilentSkipGroup", {102, 64}, 24, nullptr},
        {"AutoCueTimeLabel", "Time", "AutoCueGroup", {8, 40}, 38, "AutoCueTimeCombo"},
        {"AutoCueSecLabel", "Sec", "AutoCueGroup", {102, 40}, 24, nullptr},
        {"AutoCueLevelLabel", "Level", "AutoCueGroup", {8, 64}, 38, "AutoCueLevelCombo"},
        {"AutoCuedBLabal", "dB", "AutoCueGroup", {102, 64}, 24, nullptr},
        {"RemoteModeLabel", "Remote Mode", kClient, {376, 208}, 129, "RemoteModeCombo"},
    };
    for (const Label& l : kLabels) {
        auto* label = new QLabel(QString::fromLatin1(l.caption), frame(l.frame));
        label->setObjectName(QString::fromLatin1(l.name));
        label->move(l.position);
        setFittedFont(label, l.pixels, label->text(), l.room);
        label->adjustSize();
        if (l.buddy) label->setBuddy(findChild<QWidget*>(QString::fromLatin1(l.buddy)));
    }
}

void TPresetMenu::buildIdEntry() {
    QWidget* group = frame("IDGroup");
    for (int i = 0; i < 3; ++i) {
        const QString id = QStringLiteral("ID%1").arg(i + 1);
        const int row = 24 * i;

        auto* label = new QLabel(id, group);
        label->setObjectName(id + QStringLiteral("Label"));
        label->move(8, 16 + row);
        setFittedFont(label, 13, id, 22);
        label->adjustSize();

        auto* edit = new QLineEdit(group);
        edit->setObjectName(id + QStringLiteral("Edit"));
        edit->setMaxLength(setting::kIdLength);
        edit->setGeometry(32, 12 + row, 49, 21);
        setFittedFont(edit, 12, QStringLiteral("ABC123"), 49 - 6);
        edit->setAccessibleName(id);
        TPresetMenu::setFieldColour(edit, true);
        label->setBuddy(edit);
        idEdits_[static_cast<std::size_t>(i)] = edit;

        auto* key = new QPushButton(QStringLiteral("set"), group);
        key->setObjectName(id + QStringLiteral("SetKey"));
        key->setGeometry(88, 16 + row, 25, 17);
        fitFontToBox(key, 12, key->text());
        key->setAccessibleName(QStringLiteral("set ") + id);
        idSetKeys_[static_cast<std::size_t>(i)] = key;
    }
    connectTo(idSetKeys_[0], &PresetEditor::ID1SetKeyClick);
    connectTo(idSetKeys_[1], &PresetEditor::ID2SetKeyClick);
    connectTo(idSetKeys_[2], &PresetEditor::ID3SetKeyClick);
}

void TPresetMenu::buildButtons() {
    defaultKey_ = new QPushButton(QStringLiteral("Default"), client_);
    defaultKey_->setObjectName(QStringLiteral("DefaultKey"));
    defaultKey_->setGeometry(520, 168, 105, 25);
    defaultKey_->setFont(textFont(13));
    fitFontToBox(defaultKey_, 13, defaultKey_->text());
    defaultKey_->setAccessibleName(defaultKey_->text());
    connectTo(defaultKey_, &PresetEditor::DefaultKeyClick);

    closeKey_ = new QPushButton(QStringLiteral("Close"), client_);
    closeKey_->setObjectName(QStringLiteral("CloseKey"));
    closeKey_->setGeometry(536, 288, 81, 33);
    closeKey_->setFont(textFont(12));
    fitFontToBox(closeKey_, 12, closeKey_->text());
    closeKey_->setAccessibleName(closeKey_->text());
    connectTo(closeKey_, &PresetEditor::CloseKeyClick);

    // No default button: Enter clicks only the button that has the focus (see keyPressEvent).
    for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);
}

void TPresetMenu::setFocusOrder() {
    static const char* const kOrder[] = {
        "PresetNoCombo",
        "DigitalRadio", "BalanceRadio", "UnbalanceRadio", "StereoRadio", "MonoRadio",
        "PCMRadio", "MP2Radio", "MP3Radio", "SampleRateCombo", "BitRateCombo", "FmtCombo",
        "PlayModeNormalRadio", "TrackRepeatRadio", "AllRepeatRadio", "SinglePlayRadio",
        "PreRecOnRadio", "PreRecOffRadio", "AutoMarkOnRadio", "AutoMarkOffRadio",
        "MTrackOnRadio", "MTrackOffRadio", "AutoTrackOnRadio", "AutoTrackOffRadio", "AutoTrackTimeCombo",
        "SeamlsPlayOnRadio", "SeamlsPlayOffRadio",
        "SilentSkipOnRadio", "SilentSkipOffRadio", "SSkipTimeCombo", "SSkipLevelCombo",
        "AutoCueOnRadio", "AutoCueOffRadio", "AutoCueTimeCombo", "AutoCueLevelCombo",
        "RemoteModeCombo", "EDLOnRadio", "EDLOffRadio",
        "ID1Edit", "ID1SetKey", "ID2Edit", "ID2SetKey", "ID3Edit", "ID3SetKey",
        "DMYRadio", "MDYRadio", "DefaultKey", "CloseKey",
    };
    QWidget* previous = nullptr;
    for (const char* name : kOrder) {
        QWidget* widget = findChild<QWidget*>(QString::fromLatin1(name));
        if (previous) setTabOrder(previous, widget);
        previous = widget;
    }
}

// The frame is placed as a whole: its outer size and position include the window manager's
// borders, which are known only once the window exists.
void TPresetMenu::placeWindow() {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins border(inner.left() - outer.left(), inner.top() - outer.top(),
                          outer.right() - inner.right(), outer.bottom() - inner.bottom());
    setGeometry(kWindowFrame.marginsRemoved(border));
}

QWidget* TPresetMenu::frame(const char* name) const {
    if (*name == '\0') return client_;
    return client_->findChild<QWidget*>(QString::fromLatin1(name));
}

QWidget* TPresetMenu::settingControl(PresetSetting s) const {
    switch (setting::info(s).control) {
    case setting::Control::List: return list(s);
    case setting::Control::IdField: return idEdit(s);
    case setting::Control::Radios: break;
    }
    const QButtonGroup* group = radioGroups_[static_cast<std::size_t>(setting::index(s))];
    return group && !group->buttons().isEmpty() ? group->buttons().front()->parentWidget() : nullptr;
}

QComboBox* TPresetMenu::list(PresetSetting s) const {
    return lists_[static_cast<std::size_t>(setting::index(s))];
}

QLineEdit* TPresetMenu::idEdit(PresetSetting id) const {
    return idEdits_[static_cast<std::size_t>(idSlot(id))];
}

