#include "main/rs232c_window.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPolygon>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>

#include "main/fit_font.h"
#include "main/version_form.h"

using tavrin::link::Key;

namespace {

constexpr int kClientWidth = 805;
constexpr int kClientHeight = 297;
constexpr int kRxInterval = 20;  // ms
constexpr int kPortCount = 8;
constexpr int kStartPortPosition = 1;  // "2"
constexpr int kLogLineLength = 39;

// The recorder's bytes reach the log and the displays unchanged; a control character would
// otherwise break a line in two or vanish, so it is shown by its control picture.
QString displayText(std::string_view text) {
    QString shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : shown) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return shown;
}

// The volume keys' glyph: a right-angled wedge rising to the right, 17 by 10 pixels.
QIcon wedgeIcon(bool upsideDown) {
    QPixmap pixmap(17, 10);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QPolygon rising{QPoint(0, 10), QPoint(17, 10), QPoint(17, 0)};
    const QPolygon falling{QPoint(0, 0), QPoint(17, 0), QPoint(17, 10)};
    painter.drawPolygon(upsideDown ? falling : rising);
    return QIcon(pixmap);
}

// A frame without a title; assistive tools still get a name for the keys it holds.
QGroupBox* untitledGroup(QWidget* parent, const char* name, const QRect& geometry,
                         const QString& accessibleName) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    group->setAccessibleName(accessibleName);
    return group;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& geometry, int pixels) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    l->setAccessibleName(caption);
    fitFont(l, pixels, caption, geometry.width(), geometry.height() + 4);
    return l;
}

// A display field: read-only, borderless, on the menu background, reached by click only.
QLineEdit* displayField(QWidget* parent, const char* name, const QString& accessibleName,
                        const QRect& geometry) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFocusPolicy(Qt::ClickFocus);
    field->setAccessibleName(accessibleName);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    field->setPalette(palette);
    return field;
}

}  // namespace

struct TRS232C::KeyButton {
    enum class Box { Panel, Recording, Mark, TenKeys };
    enum class Glyph { None, Rising, Falling };
    const char* name;
    const char* caption;  // empty on the two glyph buttons
    Glyph glyph;
    Box box;
    QRect geometry;
    void (TRS232C::*handler)();
};

std::span<const TRS232C::KeyButton> TRS232C::keyButtonTable() {
    using B = KeyButton::Box;
    using G = KeyButton::Glyph;
    using W = TRS232C;
    static const std::array<KeyButton, 33> table{{
        {"RecUndoKey", "REC Undo", G::None, B::Recording, {8, 16, 57, 25}, &W::RecUndoKeyClick},
        {"MresetKey", "M.Reset", G::None, B::Recording, {72, 16, 57, 25}, &W::MresetKeyClick},
        {"RecKey1", "REC", G::None, B::Recording, {8, 48, 121, 25}, &W::RecKey1Click},
        {"MTrackKey", "Manual Track", G::None, B::Recording, {8, 80, 121, 25}, &W::MTrackKeyClick},
        {"RecVolUpKey", "", G::Rising, B::Recording, {56, 128, 25, 25}, &W::RecVolUpBottunClick},
        {"RecVolLeftKey", "L", G::None, B::Recording, {24, 144, 25, 25}, &W::RecVolLeftKeyClick},
        {"RecVolRightKey", "R", G::None, B::Recording, {88, 144, 25, 25}, &W::RecVolRightKeyClick},
        {"RecVolDownKey", "", G::Falling, B::Recording, {56, 160, 25, 25}, &W::RecVolDownKeyClick},
        {"JumpBack", "|<<", G::None, B::Panel, {152, 18, 57, 25}, &W::JumpBackClick},
        {"JumpFF", ">>|", G::None, B::Panel, {216, 18, 57, 25}, &W::JumpFFClick},
        {"RewKey", "<<", G::None, B::Panel, {288, 18, 57, 25}, &W::RewKeyClick},
        {"FFKey", ">>", G::None, B::Panel, {352, 18, 57, 25}, &W::FFKeyClick},
        {"StopKey", "Stop", G::None, B::Panel, {152, 48, 121, 25}, &W::StopKeyClick},
        {"PlayKey", "Play", G::None, B::Panel, {288, 48, 121, 25}, &W::PlayKeyClick},
        {"PauseKey", "Pause", G::None, B::Panel, {152, 80, 121, 25}, &W::PauseKeyClick},
        {"MarkKey", "Mark", G::None, B::Mark, {8, 16, 41, 17}, &W::MarkKeyClick},
        {"MarkMinus", "|<", G::None, B::Mark, {56, 16, 25, 17}, &W::MarkMinusClick},
        {"MarkPlus", ">|", G::None, B::Mark, {88, 16, 25, 17}, &W::MarkPlusClick},
        {"DispKey", "Display", G::None, B::Panel, {152, 112, 49, 17}, &W::DispKeyClick},
        {"DispTime", "DispTime", G::None, B::Panel, {208, 112, 65, 17}, &W::DispTimeClick},
        {"ABRepeatKey", "A-B Repeat", G::None, B::Panel, {296, 120, 105, 17}, &W::ABRepeatKeyClick},
        {"KeyOne", "1", G::None, B::TenKeys, {8, 16, 17, 17}, &W::KeyOneClick},
        {"KeyTwo", "2", G::None, B::TenKeys, {32, 16, 17, 17}, &W::KeyTwoClick},
        {"KeyThree", "3", G::None, B::TenKeys, {56, 16, 17, 17}, &W::KeyThreeClick},
        {"KeyFour", "4", G::None, B::TenKeys, {80, 16, 17, 17}, &W::KeyFourClick},
        {"KeyFive", "5", G::None, B::TenKeys, {104, 16, 17, 17}, &W::KeyFiveClick},
        {"KeySix", "6", G::None, B::TenKeys, {128, 16, 17, 17}, &W::KeySixClick},
        {"KeySeven", "7", G::None, B::TenKeys, {152, 16, 17, 17}, &W::KeySevenClick},
        {"KeyEight", "8", G::None, B::TenKeys, {176, 16, 17, 17}, &W::KeyEightClick},
        {"KeyNine", "9", G::None, B::TenKeys, {200, 16, 17, 17}, &W::KeyNineClick},
        {"KeyZero", "0", G::None, B::TenKeys, {224, 16, 17, 17}, &W::KeyZeroClick},
        {"StandbyKey", "Standby", G::None, B::Panel, {288, 184, 57, 17}, &W::StandbyKeyClick},
        {"PowerOnKey", "Power On", G::None, B::Panel, {352, 184, 57, 17}, &W::PowerOnKeyClick},
    }};
    return table;
}

TRS232C::TRS232C(tavrin::link::Port& port, const tavrin::link::Clock& clock, QWidget* parent)
    : QMainWindow(parent),
      link_(port, *this, *this, clock),
      session_(link_, *this, store_),
      editor_(session_) {
    session_.setEditor(&editor_);
    link_.setTransferHooks(&session_);

    buildWindow();
    connectHandlers();

    rxTimer_ = new QTimer(this);
    rxTimer_->setObjectName("RxTimer");
    rxTimer_->setInterval(kRxInterval);
    connect(rxTimer_, &QTimer::timeout, this, &TRS232C::RxTimerTimer);
    rxTimer_->start();

    {
        // Start-up opens COM2 below; selecting the item must not open it a second time.
        const QSignalBlocker blocker(portCombo_);
        portCombo_->setCurrentIndex(kStartPortPosition);
    }
    link_.changePort(kStartPortPosition + 1);
    session_.ResetPresetRecord();
}

TRS232C::~TRS232C() {
    // The core goes before the widgets; nothing a dying widget still emits may reach it.
    rxTimer_->stop();
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void TRS232C::buildWindow() {
    setObjectName("RS232C");
    setWindowTitle("TAVRIN Controller");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QFont windowFont = font();
    windowFont.setPixelSize(12);
    setFont(windowFont);

    auto* client = new QWidget(this);
    client->setObjectName("RS232CClient");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    auto* panel = new QFrame(client);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(8, 32, 417, 209);
    panel->setAccessibleName("Recorder keys");
    QWidget* recordGroup = untitledGroup(panel, "GroupBox2", {8, 2, 137, 191}, "Recording keys");
    QWidget* markGroup = untitledGroup(panel, "MarkGroup", {288, 72, 121, 41}, "Mark keys");
    QWidget* tenKeys = untitledGroup(panel, "TenKey", {152, 136, 249, 41}, "Ten keys");
    label(recordGroup, "RecVolLabel", "REC.Volume", {8, 112, 63, 12}, 12);
    buildKeyButtons(panel, recordGroup, markGroup, tenKeys);

    presetKey_ = new QPushButton("Preset Menu", client);
    presetKey_->setObjectName("PresetKey");
    presetKey_->setGeometry(8, 248, 137, 33);
    presetKey_->setAccessibleName("Preset Menu");
    presetKey_->setDefault(true);
    presetKey_->setAutoDefault(true);
    fitFontToBox(presetKey_, 12, presetKey_->text(), true);
    keyButtons_.append(presetKey_);

    buildDisplays(client);
    buildMenus();
    move(264, 310);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

void TRS232C::buildKeyButtons(QWidget* panel, QWidget* recordGroup, QWidget* markGroup, QWidget* tenKeys) {
    using B = KeyButton::Box;
    for (const KeyButton& row : keyButtonTable()) {
        QWidget* parent = row.box == B::Recording ? recordGroup
                          : row.box == B::Mark    ? markGroup
                          : row.box == B::TenKeys ? tenKeys
                                                  : panel;
        auto* button = new QPushButton(row.caption, parent);
        button->setObjectName(row.name);
        button->setGeometry(row.geometry);
        // As on the recorder's home platform, Enter on a focused button presses that button.
        button->setAutoDefault(true);
        if (row.glyph != KeyButton::Glyph::None) {
            const bool down = row.glyph == KeyButton::Glyph::Falling;
            button->setAccessibleName(down ? "REC Volume Down" : "REC Volume Up");
            button->setIcon(wedgeIcon(down));
            button->setIconSize({17, 10});
        } else {
            button->setAccessibleName(row.caption);
            fitFontToBox(button, 12, row.caption);
        }
        keyButtons_.append(button);
    }
}

void TRS232C::buildDisplays(QWidget* client) {
    QLabel* portLabel = label(client, "ComPortLabel", "Com Port", {312, 2, 61, 15}, 15);
    portCombo_ = new QComboBox(client);
    portCombo_->setObjectName("PortCombo");
    portCombo_->setGeometry(376, 0, 33, 20);
    portCombo_->setEditable(true);
    portCombo_->setInsertPolicy(QComboBox::NoInsert);  // typed text never becomes an item
    for (int n = 1; n <= kPortCount; ++n) portCombo_->addItem(QString::number(n));
    portCombo_->setAccessibleName("Com Port");
    // Desktop assistive tools on Unix read a combo box's name from its label.
    portLabel->setBuddy(portCombo_);

    messageDisp_ = new QPlainTextEdit(client);
    messageDisp_->setObjectName("MessageDisp");
    messageDisp_->setGeometry(432, 48, 329, 145);
    messageDisp_->setReadOnly(true);
    messageDisp_->setUndoRedoEnabled(false);
    messageDisp_->setLineWrapMode(QPlainTextEdit::NoWrap);
    messageDisp_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messageDisp_->setFocusPolicy(Qt::ClickFocus);
    messageDisp_->setAccessibleName("Message log");
    QPalette palette = messageDisp_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    messageDisp_->setPalette(palette);
    // A fixed-pitch face, small enough that a whole 39-column line shows beside the scroll bar.
    messageDisp_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const int logWidth = messageDisp_->width() - 2 * messageDisp_->frameWidth() -
                         messageDisp_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) -
                         2 * static_cast<int>(messageDisp_->document()->documentMargin());
    fitFont(messageDisp_, 16, QString(kLogLineLength, QChar('0')), logWidth, 20);

    QLabel* trackLabel = label(client, "TrackLabel", "Track", {432, 200, 50, 21}, 21);
    dispModeLabel_ = label(client, "DispModeLabel", "", {568, 200, 6, 21}, 21);
    dispModeLabel_->setAccessibleName("Display mode");
    trackEdit_ = displayField(client, "TrackEdit", "Track", {432, 224, 57, 33});
    fitFontToBox(trackEdit_, 32, "000");
    trackLabel->setBuddy(trackEdit_);
    timeEdit_ = displayField(client, "TimeEdit", "Time", {568, 224, 185, 41});
    fitFontToBox(timeEdit_, 35, "000:00:00", true);
}

void TRS232C::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    const auto heading = [&](const char* name, const QString& title) {
        QMenu* menu = bar->addMenu(title);
        menu->setObjectName(name);
        menu->menuAction()->setObjectName(name);
        headings_.append(menu);
        return menu;
    };
    const auto item = [](QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        return action;
    };
    QMenu* file = heading("File1", "File(&F)");
    item(file, "Exit1", "Display Clear", QKeySequence(Qt::CTRL | Qt::Key_D));
    item(file, "Exit2", "Exit", {});
    item(heading("Mode1", "Mode(&M)"), "PresetMenu1", "Preset Menu", QKeySequence(Qt::CTRL | Qt::Key_P));
    item(heading("Help1", "Help(&H)"), "About1", "About", {});
}

void TRS232C::connectHandlers() {
    const auto table = keyButtonTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        connect(keyButtons_[static_cast<qsizetype>(i)], &QAbstractButton::clicked, this, table[i].handler);
    connect(presetKey_, &QPushButton::clicked, this, &TRS232C::PresetKeyClick);

    // activated comes with every choice from the list, the same item again included.
    connect(portCombo_, &QComboBox::activated, this, &TRS232C::PortComboChange);
    // Typing leaves no item selected: the open that follows fails with port 0.
    connect(portCombo_->lineEdit(), &QLineEdit::textEdited, this, [this] { PortComboChange(-1); });

    connect(findChild<QAction*>("Exit1"), &QAction::triggered, this, &TRS232C::Exit1Click);
    connect(findChild<QAction*>("Exit2"), &QAction::triggered, this, &TRS232C::Exit2Click);
    connect(findChild<QAction*>("PresetMenu1"), &QAction::triggered, this, &TRS232C::PresetMenu1Click);
    connect(findChild<QAction*>("About1"), &QAction::triggered, this, &TRS232C::About1Click);
}

// --- MessageLog and MainDisplays -------------------------------------------------------------

void TRS232C::insertLine(std::string_view text) {
    QTextDocument* document = messageDisp_->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    if (!document->isEmpty()) {
        cursor.insertBlock();
        cursor.movePosition(QTextCursor::Start);
    }
    cursor.insertText(displayText(text));
}

void TRS232C::clear() { messageDisp_->clear(); }

void TRS232C::setTrackText(std::string_view text) { trackEdit_->setText(displayText(text)); }

void TRS232C::setTimeText(std::string_view text) { timeEdit_->setText(displayText(text)); }

void TRS232C::setDispModeText(std::string_view text) {
    const QString shown = displayText(text);
    dispModeLabel_->setText(shown);
    dispModeLabel_->adjustSize();
    // A label with a name of its own no longer reports its text to assistive tools.
    dispModeLabel_->setAccessibleDescription(shown);
}

void TRS232C::DisableKeyControls() { setKeyControlsEnabled(false); }

void TRS232C::EnableKeyControls() { setKeyControlsEnabled(true); }

void TRS232C::setKeyControlsEnabled(bool enabled) {
    for (QAbstractButton* button : keyButtons_) button->setEnabled(enabled);
    for (QMenu* menu : headings_) {
        menu->menuAction()->setEnabled(enabled);
        // Ctrl+D and Ctrl+P must be inert too, whatever the toolkit makes of a disabled heading.
        for (QAction* action : menu->actions()) action->setEnabled(enabled);
    }
}

void TRS232C::keyPressEvent(QKeyEvent* event) {
    // PresetKey is the default button: Enter that no focused control took presses it.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && presetKey_->isEnabled()) {
        presetKey_->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --- Handlers --------------------------------------------------------------------------------

void TRS232C::PlayKeyClick() { link_.sendKey(Key::Play); }
void TRS232C::StopKeyClick() { link_.sendKey(Key::Stop); }
void TRS232C::PauseKeyClick() { link_.sendKey(Key::Pause); }
void TRS232C::RecKey1Click() { link_.sendKey(Key::Rec); }
void TRS232C::RecUndoKeyClick() { link_.sendKey(Key::RecUndo); }
void TRS232C::MresetKeyClick() { link_.sendKey(Key::MReset); }
void TRS232C::MTrackKeyClick() { link_.sendKey(Key::MTrack); }
void TRS232C::RecVolUpBottunClick() { link_.sendKey(Key::RecVolUp); }
void TRS232C::RecVolDownKeyClick() { link_.sendKey(Key::RecVolDown); }
void TRS232C::RecVolLeftKeyClick() { link_.sendKey(Key::RecVolLeft); }
void TRS232C::RecVolRightKeyClick() { link_.sendKey(Key::RecVolRight); }
void TRS232C::JumpBackClick() { link_.sendKey(Key::JumpBack); }
void TRS232C::JumpFFClick() { link_.sendKey(Key::JumpFF); }
void TRS232C::RewKeyClick() { link_.sendKey(Key::Rew); }
void TRS232C::FFKeyClick() { link_.sendKey(Key::FF); }
void TRS232C::ABRepeatKeyClick() { link_.sendKey(Key::ABRepeat); }
void TRS232C::MarkKeyClick() { link_.sendKey(Key::Mark); }
void TRS232C::MarkMinusClick() { link_.sendKey(Key::MarkMinus); }
void TRS232C::MarkPlusClick() { link_.sendKey(Key::MarkPlus); }
void TRS232C::DispKeyClick() { link_.sendKey(Key::Display); }
void TRS232C::KeyOneClick() { link_.sendKey(Key::One); }
void TRS232C::KeyTwoClick() { link_.sendKey(Key::Two); }
void TRS232C::KeyThreeClick() { link_.sendKey(Key::Three); }
void TRS232C::KeyFourClick() { link_.sendKey(Key::Four); }
void TRS232C::KeyFiveClick() { link_.sendKey(Key::Five); }
void TRS232C::KeySixClick() { link_.sendKey(Key::Six); }
void TRS232C::KeySevenClick() { link_.sendKey(Key::Seven); }
void TRS232C::KeyEightClick() { link_.sendKey(Key::Eight); }
void TRS232C::KeyNineClick() { link_.sendKey(Key::Nine); }
void TRS232C::KeyZeroClick() { link_.sendKey(Key::Zero); }
void TRS232C::PowerOnKeyClick() { link_.sendKey(Key::PowerOn); }
void TRS232C::StandbyKeyClick() { link_.sendKey(Key::Standby); }
void TRS232C::DispTimeClick() { link_.requestTimeLogged(); }

void TRS232C::PresetKeyClick() { session_.PresetGate(); }
void TRS232C::PresetMenu1Click() { session_.PresetGate(); }

void TRS232C::PortComboChange(int position) { link_.changePort(position + 1); }

void TRS232C::Exit1Click() { clear(); }

void TRS232C::Exit2Click() {
    // At once, as the operator asked: no window is closed and nothing is asked first.
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

void TRS232C::About1Click() {
    if (!versionForm_) return;
    versionForm_->insertVersionLine();
    versionForm_->exec();
}

// While the preset editor is shown modally from inside this tick, the timer cannot fire again;
// the editor runs the ticks itself for as long as it is up.
void TRS232C::RxTimerTimer() { link_.RxTimerTimer(); }
