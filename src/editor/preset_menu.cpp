#include "editor/preset_menu.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QVBoxLayout>

#include "link/link.h"
#include "main/fit_font.h"
#include "preset/list_rules.h"
#include "preset/preset_session.h"

using tavrin::preset::PresetSetting;

namespace {

namespace setting = tavrin::preset;

constexpr int kOn = 1;   // the value an "On" button stands for; "Off" stands for 0
constexpr int kOff = 0;
constexpr int kDMY = 1;  // Date Form
constexpr int kMDY = 0;

// Outer frame of the window on the screen.
constexpr QRect kWindowFrame{323, 289, 650, 381};
constexpr int kTickMs = 20;

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

// White while enabled; the system's menu background while disabled.
void setFieldColour(QWidget* field, bool enabled) {
    const QColor colour =
        enabled ? QColor(0xFF, 0xFF, 0xFF) : QApplication::palette("QMenu").color(QPalette::Window);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    field->setPalette(palette);
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

TPresetMenu::TPresetMenu(tavrin::preset::PresetEditor& editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
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

    editor_.setView(this);
}

TPresetMenu::~TPresetMenu() { editor_.setView(nullptr); }

// ---------------------------------------------------------------------------------------------
// Building the window

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
        {&TPresetMenu::fileMenu_, "Open1", "Open", &TPresetMenu::Open1Click},
        {&TPresetMenu::fileMenu_, "SaveasText1", "Save", &TPresetMenu::SaveasText1Click},
        {&TPresetMenu::fileMenu_, "N1", nullptr, nullptr},
        {&TPresetMenu::fileMenu_, "EndPresetMenu", "End Preset Menu", &TPresetMenu::EndPresetMenuClick},
        {&TPresetMenu::editMenu_, "LoadfromTAVRIN", "Read from TAVRIN", &TPresetMenu::LoadfromTAVRINClick},
        {&TPresetMenu::editMenu_, "WritetoTAVRIN", "Write to TAVRIN", &TPresetMenu::WritetoTAVRINClick},
    };
    for (const Item& item : kItems) {
        QMenu* menu = this->*item.menu;
        QAction* action =
            item.caption ? menu->addAction(QString::fromLatin1(item.caption)) : menu->addSeparator();
        action->setObjectName(QString::fromLatin1(item.name));
        if (item.handler) connect(action, &QAction::triggered, this, item.handler);
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
    using T = TPresetMenu;
    // In focus order within each frame.
    static const Radio kRadios[] = {
        {"DigitalRadio", "InputSelectGroup", S::InputSelect, 0, {8, 16, 57, 17}, &T::DigitalRadioClick},
        {"BalanceRadio", "InputSelectGroup", S::InputSelect, 1, {72, 16, 65, 17}, &T::BalanceRadioClick},
        {"UnbalanceRadio", "InputSelectGroup", S::InputSelect, 2, {144, 16, 81, 17}, &T::UnbalanceRadioClick},
        {"StereoRadio", "StereoMonoGroup", S::StereoMono, 0, {8, 16, 81, 17}, &T::StereoRadioClick},
        {"MonoRadio", "StereoMonoGroup", S::StereoMono, 1, {72, 16, 73, 17}, &T::MonoRadioClick},
        {"PCMRadio", "AlgoGroup", S::Algorithm, 2, {8, 16, 49, 17}, &T::PCMRadioClick},
        {"MP2Radio", "AlgoGroup", S::Algorithm, 0, {72, 16, 57, 17}, &T::MP2RadioClick},
        {"MP3Radio", "AlgoGroup", S::Algorithm, 1, {136, 16, 65, 17}, &T::MP3RadioClick},
        {"PreRecOnRadio", "PreRecGroup", S::PreRec, kOn, {8, 16, 41, 17}, &T::PreRecOnRadioClick},
        {"PreRecOffRadio", "PreRecGroup", S::PreRec, kOff, {56, 16, 41, 17}, &T::PreRecOffRadioClick},
        {"AutoMarkOnRadio", "AutoMarkGroup", S::AutoMark, kOn, {8, 16, 41, 17}, &T::AutoMarkOnRadioClick},
        {"AutoMarkOffRadio", "AutoMarkGroup", S::AutoMark, kOff, {56, 16, 41, 17}, &T::AutoMarkOffRadioClick},
        {"MTrackOnRadio", "MTrackGroup", S::MTrack, kOn, {8, 16, 49, 17}, &T::MTrackOnRadioClick},
        {"MTrackOffRadio", "MTrackGroup", S::MTrack, kOff, {56, 16, 41, 17}, &T::MTrackOffRadioClick},
        {"AutoTrackOnRadio", "AutoTrackGroup", S::AutoTrack, kOn, {8, 16, 49, 17}, &T::AutoTrackOnRadioClick},
        {"AutoTrackOffRadio", "AutoTrackGroup", S::AutoTrack, kOff, {56, 16, 41, 17},
         &T::AutoTrackOffRadioClick},
        {"SeamlsPlayOnRadio", "SeamlsPlayGroup", S::SeamlsPlay, kOn, {8, 16, 41, 17},
         &T::SeamlsPlayOnRadioClick},
        {"SeamlsPlayOffRadio", "SeamlsPlayGroup", S::SeamlsPlay, kOff, {56, 16, 41, 17},
         &T::SeamlsPlayOffRadioClick},
        {"SilentSkipOnRadio", "SilentSkipGroup", S::SilentSkip, kOn, {8, 16, 41, 17},
         &T::SilentSkipOnRadioClick},
        {"SilentSkipOffRadio", "SilentSkipGroup", S::SilentSkip, kOff, {56, 16, 41, 17},
         &T::SilentSkipOffRadioClick},
        {"AutoCueOnRadio", "AutoCueGroup", S::AutoCue, kOn, {8, 16, 33, 17}, &T::AutoCueOnRadioClick},
        {"AutoCueOffRadio", "AutoCueGroup", S::AutoCue, kOff, {56, 16, 49, 17}, &T::AutoCueOffRadioClick},
        {"PlayModeNormalRadio", "PlayModeGroup", S::PlayMode, 0, {8, 16, 113, 17},
         &T::PlayModeNormalRadioClick},
        {"TrackRepeatRadio", "PlayModeGroup", S::PlayMode, 1, {80, 16, 89, 17}, &T::TrackRepeatRadioClick},
        {"AllRepeatRadio", "PlayModeGroup", S::PlayMode, 2, {176, 16, 81, 17}, &T::AllRepeatRadioClick},
        {"SinglePlayRadio", "PlayModeGroup", S::PlayMode, 3, {264, 16, 81, 17}, &T::SinglePlayRadioClick},
        {"EDLOnRadio", "EDLPlayGroup", S::EDLPlay, kOn, {16, 16, 41, 17}, &T::EDLOnRadioClick},
        {"EDLOffRadio", "EDLPlayGroup", S::EDLPlay, kOff, {72, 16, 49, 17}, &T::EDLOffRadioClick},
        {"DMYRadio", "DateDispGroup", S::DateForm, kDMY, {8, 16, 49, 17}, &T::DMYRadioClick},
        {"MDYRadio", "DateDispGroup", S::DateForm, kMDY, {64, 16, 41, 17}, &T::MDYRadioClick},
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
        connect(radio, &QRadioButton::clicked, this, r.handler);
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
    using T = TPresetMenu;
    static const List kLists[] = {
        {"PresetNoCombo", kClient, S::PresetNo, {80, 0, 41, 23}, "Preset No.", &T::PresetNoComboChange},
        {"SampleRateCombo", "InputAlgoGroup", S::SampleRate, {96, 156, 73, 20}, "Sample Rate",
         &T::SampleRateComboChange},
        {"BitRateCombo", "InputAlgoGroup", S::BitRate, {96, 184, 73, 20}, "Bit Rate", &T::BitRateComboChange},
        {"FmtCombo", "InputAlgoGroup", S::FileFormat, {96, 208, 73, 20}, "File Format", &T::FmtComboChange},
        {"AutoTrackTimeCombo", "AutoTrackGroup", S::AutoTrackTime, {40, 36, 57, 20}, "Auto Track Time",
         &T::AutoTrackTimeComboChange},
        {"SSkipTimeCombo", "SilentSkipGroup", S::SSkipTime, {48, 36, 49, 20}, "Silent Skip Time",
         &T::SSkipTimeComboChange},
        {"SSkipLevelCombo", "SilentSkipGroup", S::SSkipLevel, {48, 60, 49, 20}, "Silent Skip Level",
         &T::SSkipLevelComboChange},
        {"AutoCueTimeCombo", "AutoCueGroup", S::AutoCueTime, {48, 35, 49, 20}, "Auto Cue Time",
         &T::AutoCueTimeComboChange},
        {"AutoCueLevelCombo", "AutoCueGroup", S::AutoCueLevel, {48, 61, 49, 20}, "Auto Cue Level",
         &T::AutoCueLevelComboChange},
        {"RemoteModeCombo", kClient, S::RemoteMode, {376, 224, 129, 20}, "Remote Mode",
         &T::RemoteModeComboChange},
    };
    for (const List& l : kLists) {
        auto* combo = new QComboBox(frame(l.frame));
        combo->setObjectName(QString::fromLatin1(l.name));
        combo->setEditable(false);  // typed text could name no entry; only the entries can be picked
        combo->setGeometry(l.geometry);
        combo->setAccessibleName(QString::fromLatin1(l.accessibleName));
        setFieldColour(combo, true);
        lists_[static_cast<std::size_t>(setting::index(l.list))] = combo;
        setListEntries(l.list, setting::initialListEntries(l.list));
        fitListFont(combo, l.list);
        connect(combo, &QComboBox::activated, this, l.handler);
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
        setFieldColour(edit, true);
        label->setBuddy(edit);
        idEdits_[static_cast<std::size_t>(i)] = edit;

        auto* key = new QPushButton(QStringLiteral("set"), group);
        key->setObjectName(id + QStringLiteral("SetKey"));
        key->setGeometry(88, 16 + row, 25, 17);
        fitFontToBox(key, 12, key->text());
        key->setAccessibleName(QStringLiteral("set ") + id);
        idSetKeys_[static_cast<std::size_t>(i)] = key;
    }
    connect(idSetKeys_[0], &QPushButton::clicked, this, &TPresetMenu::ID1SetKeyClick);
    connect(idSetKeys_[1], &QPushButton::clicked, this, &TPresetMenu::ID2SetKeyClick);
    connect(idSetKeys_[2], &QPushButton::clicked, this, &TPresetMenu::ID3SetKeyClick);
}

void TPresetMenu::buildButtons() {
    defaultKey_ = new QPushButton(QStringLiteral("Default"), client_);
    defaultKey_->setObjectName(QStringLiteral("DefaultKey"));
    defaultKey_->setGeometry(520, 168, 105, 25);
    defaultKey_->setFont(textFont(13));
    fitFontToBox(defaultKey_, 13, defaultKey_->text());
    defaultKey_->setAccessibleName(defaultKey_->text());
    connect(defaultKey_, &QPushButton::clicked, this, &TPresetMenu::DefaultKeyClick);

    closeKey_ = new QPushButton(QStringLiteral("Close"), client_);
    closeKey_->setObjectName(QStringLiteral("CloseKey"));
    closeKey_->setGeometry(536, 288, 81, 33);
    closeKey_->setFont(textFont(12));
    fitFontToBox(closeKey_, 12, closeKey_->text());
    closeKey_->setAccessibleName(closeKey_->text());
    connect(closeKey_, &QPushButton::clicked, this, &TPresetMenu::CloseKeyClick);

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

QComboBox* TPresetMenu::list(PresetSetting s) const {
    return lists_[static_cast<std::size_t>(setting::index(s))];
}

QLineEdit* TPresetMenu::idEdit(PresetSetting id) const {
    return idEdits_[static_cast<std::size_t>(idSlot(id))];
}

// ---------------------------------------------------------------------------------------------
// What the editor shows through EditorView

void TPresetMenu::checkRadio(PresetSetting group, int value) {
    QButtonGroup* buttons = radioGroups_[static_cast<std::size_t>(setting::index(group))];
    if (!buttons) return;
    if (QAbstractButton* button = buttons->button(value)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied button by button.
    buttons->setExclusive(false);
    for (QAbstractButton* button : buttons->buttons()) button->setChecked(false);
    buttons->setExclusive(true);
}

void TPresetMenu::setRadiosEnabled(bool enabled) {
    for (QButtonGroup* group : radioGroups_)
        if (group)
            for (QAbstractButton* button : group->buttons()) button->setEnabled(enabled);
}

void TPresetMenu::setListEntries(PresetSetting s, std::span<const std::string_view> entries) {
    QComboBox* combo = list(s);
    if (!combo) return;
    QStringList texts;
    for (std::string_view entry : entries) texts << qs(entry);
    combo->clear();
    combo->addItems(texts);
    combo->setCurrentIndex(-1);  // filling selects nothing; the editor selects
}

void TPresetMenu::selectListEntry(PresetSetting s, int position) {
    QComboBox* combo = list(s);
    if (!combo) return;
    combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : -1);
}

void TPresetMenu::setListEnabled(PresetSetting s, bool enabled) {
    QComboBox* combo = list(s);
    if (!combo) return;
    setFieldColour(combo, enabled);
    combo->setEnabled(enabled);
}

bool TPresetMenu::isListEnabled(PresetSetting s) const {
    const QComboBox* combo = list(s);
    return combo && combo->isEnabledTo(this);
}

void TPresetMenu::setMenusEnabled(bool enabled) {
    fileMenu_->menuAction()->setEnabled(enabled);
    editMenu_->menuAction()->setEnabled(enabled);
}

void TPresetMenu::setIdFieldsEnabled(bool enabled) {
    for (QLineEdit* edit : idEdits_) {
        edit->setEnabled(enabled);
        setFieldColour(edit, enabled);
    }
}

void TPresetMenu::setIdText(PresetSetting id, std::string_view text) { idEdit(id)->setText(qs(text)); }

std::string TPresetMenu::idText(PresetSetting id) const { return idEdit(id)->text().toStdString(); }

void TPresetMenu::setButtonsEnabled(bool enabled) {
    defaultKey_->setEnabled(enabled);
    closeKey_->setEnabled(enabled);
    for (QPushButton* key : idSetKeys_) key->setEnabled(enabled);
}

bool TPresetMenu::isCloseKeyEnabled() const { return closeKey_->isEnabledTo(this); }

void TPresetMenu::repaintNow() { repaint(); }

// The editor is first shown from inside the main window's receive tick, and a Qt timer does not
// fire again while its own slot is still running: without a timer of its own the receive loop
// would stand still for as long as the editor is up. This one carries the ticks meanwhile; the
// main window takes no input because the editor is application-modal.
void TPresetMenu::showModal() {
    if (isVisible()) return;
    QTimer rxTimer;
    rxTimer.setInterval(kTickMs);
    connect(&rxTimer, &QTimer::timeout, this, [this] { editor_.session().link().RxTimerTimer(); });
    setWindowModality(Qt::ApplicationModal);
    rxTimer.start();
    exec();
}

// The dialog goes away once the running handler has returned; exec() then returns.
void TPresetMenu::endModal() { done(QDialog::Accepted); }

void TPresetMenu::showInvalidIdBox() {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"),
                    QStringLiteral("Include invalid charactor"), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("InvalidIdBox"));
    box.exec();
}

void TPresetMenu::showNotPresetFileBox() {
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Not TAVRIN preset file!"), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("NotPresetFileBox"));
    box.exec();
}

void TPresetMenu::showFileError(std::string_view message) {
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), qs(message),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("FileErrorBox"));
    box.exec();
}

namespace {

// Qt's own dialog rather than the platform's, the same on every system and drivable by tests.
std::optional<std::string> runFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("text(*.txt)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

}  // namespace

std::optional<std::string> TPresetMenu::askOpenPath() {
    QFileDialog dialog(this, QStringLiteral("Open TAVRIN preste file"), QDir::currentPath());
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("TXT"));
    return runFileDialog(dialog);
}

// No title of its own; asks before replacing a file; resizable and without a read-only box.
std::optional<std::string> TPresetMenu::askSavePath() {
    QFileDialog dialog(this, QString(), QDir::currentPath());
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setSizeGripEnabled(true);
    return runFileDialog(dialog);
}

// ---------------------------------------------------------------------------------------------
// Window events

void TPresetMenu::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!framePlaced_) {
        placeWindow();
        framePlaced_ = true;
    }
    if (!event->spontaneous()) FormShow();
}

void TPresetMenu::closeEvent(QCloseEvent* event) { event->ignore(); }

void TPresetMenu::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Handlers: each hands the operator's action to the editor's handler of the same name.

void TPresetMenu::FormShow() { editor_.FormShow(); }

void TPresetMenu::DigitalRadioClick() { editor_.DigitalRadioClick(); }
void TPresetMenu::BalanceRadioClick() { editor_.BalanceRadioClick(); }
void TPresetMenu::UnbalanceRadioClick() { editor_.UnbalanceRadioClick(); }
void TPresetMenu::StereoRadioClick() { editor_.StereoRadioClick(); }
void TPresetMenu::MonoRadioClick() { editor_.MonoRadioClick(); }
void TPresetMenu::PCMRadioClick() { editor_.PCMRadioClick(); }
void TPresetMenu::MP2RadioClick() { editor_.MP2RadioClick(); }
void TPresetMenu::MP3RadioClick() { editor_.MP3RadioClick(); }
void TPresetMenu::SampleRateComboChange(int position) { editor_.SampleRateComboChange(position); }
void TPresetMenu::BitRateComboChange(int position) { editor_.BitRateComboChange(position); }
void TPresetMenu::FmtComboChange(int position) { editor_.FmtComboChange(position); }

void TPresetMenu::PlayModeNormalRadioClick() { editor_.radioClicked(PresetSetting::PlayMode, 0); }
void TPresetMenu::TrackRepeatRadioClick() { editor_.radioClicked(PresetSetting::PlayMode, 1); }
void TPresetMenu::AllRepeatRadioClick() { editor_.radioClicked(PresetSetting::PlayMode, 2); }
void TPresetMenu::SinglePlayRadioClick() { editor_.radioClicked(PresetSetting::PlayMode, 3); }
void TPresetMenu::PreRecOnRadioClick() { editor_.radioClicked(PresetSetting::PreRec, kOn); }
void TPresetMenu::PreRecOffRadioClick() { editor_.radioClicked(PresetSetting::PreRec, kOff); }
void TPresetMenu::AutoMarkOnRadioClick() { editor_.radioClicked(PresetSetting::AutoMark, kOn); }
void TPresetMenu::AutoMarkOffRadioClick() { editor_.radioClicked(PresetSetting::AutoMark, kOff); }
void TPresetMenu::MTrackOnRadioClick() { editor_.radioClicked(PresetSetting::MTrack, kOn); }
void TPresetMenu::MTrackOffRadioClick() { editor_.radioClicked(PresetSetting::MTrack, kOff); }
void TPresetMenu::AutoTrackOnRadioClick() { editor_.radioClicked(PresetSetting::AutoTrack, kOn); }
void TPresetMenu::AutoTrackOffRadioClick() { editor_.radioClicked(PresetSetting::AutoTrack, kOff); }
void TPresetMenu::AutoTrackTimeComboChange(int position) {
    editor_.listChanged(PresetSetting::AutoTrackTime, position);
}
void TPresetMenu::SeamlsPlayOnRadioClick() { editor_.radioClicked(PresetSetting::SeamlsPlay, kOn); }
void TPresetMenu::SeamlsPlayOffRadioClick() { editor_.radioClicked(PresetSetting::SeamlsPlay, kOff); }
void TPresetMenu::SilentSkipOnRadioClick() { editor_.radioClicked(PresetSetting::SilentSkip, kOn); }
void TPresetMenu::SilentSkipOffRadioClick() { editor_.radioClicked(PresetSetting::SilentSkip, kOff); }
void TPresetMenu::SSkipTimeComboChange(int position) {
    editor_.listChanged(PresetSetting::SSkipTime, position);
}
void TPresetMenu::SSkipLevelComboChange(int position) {
    editor_.listChanged(PresetSetting::SSkipLevel, position);
}
void TPresetMenu::AutoCueOnRadioClick() { editor_.radioClicked(PresetSetting::AutoCue, kOn); }
void TPresetMenu::AutoCueOffRadioClick() { editor_.radioClicked(PresetSetting::AutoCue, kOff); }
void TPresetMenu::AutoCueTimeComboChange(int position) {
    editor_.listChanged(PresetSetting::AutoCueTime, position);
}
void TPresetMenu::AutoCueLevelComboChange(int position) {
    editor_.listChanged(PresetSetting::AutoCueLevel, position);
}
void TPresetMenu::RemoteModeComboChange(int position) {
    editor_.listChanged(PresetSetting::RemoteMode, position);
}
void TPresetMenu::EDLOnRadioClick() { editor_.radioClicked(PresetSetting::EDLPlay, kOn); }
void TPresetMenu::EDLOffRadioClick() { editor_.radioClicked(PresetSetting::EDLPlay, kOff); }
void TPresetMenu::DMYRadioClick() { editor_.radioClicked(PresetSetting::DateForm, kDMY); }
void TPresetMenu::MDYRadioClick() { editor_.radioClicked(PresetSetting::DateForm, kMDY); }

void TPresetMenu::PresetNoComboChange(int position) { editor_.PresetNoComboChange(position); }
void TPresetMenu::DefaultKeyClick() { editor_.DefaultKeyClick(); }
void TPresetMenu::CloseKeyClick() { editor_.CloseKeyClick(); }
void TPresetMenu::ID1SetKeyClick() { editor_.IDSetKeyClick(PresetSetting::ID1); }
void TPresetMenu::ID2SetKeyClick() { editor_.IDSetKeyClick(PresetSetting::ID2); }
void TPresetMenu::ID3SetKeyClick() { editor_.IDSetKeyClick(PresetSetting::ID3); }

void TPresetMenu::Open1Click() { editor_.Open1Click(); }
void TPresetMenu::SaveasText1Click() { editor_.SaveasText1Click(); }
void TPresetMenu::EndPresetMenuClick() { editor_.EndPresetMenuClick(); }
void TPresetMenu::LoadfromTAVRINClick() { editor_.LoadfromTAVRINClick(); }
void TPresetMenu::WritetoTAVRINClick() { editor_.WritetoTAVRINClick(); }
