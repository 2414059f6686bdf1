// The main window's controls: where they stand, what they show, and which of the core's
// handlers each one's click goes to.

#include <array>

#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPolygon>
#include <QPushButton>
#include <QStyle>

#include "ui/fit_font.h"
#include "ui/rs232c_window.h"

using tavrin::app::Core;

namespace {

constexpr int kClientWidth = 805;
constexpr int kClientHeight = 297;
constexpr int kPortCount = 8;
constexpr int kLogLineLength = 39;

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

enum class Box { Panel, Recording, Mark, TenKeys };
enum class Glyph { None, Rising, Falling };

struct KeyButton {
    const char* name;
    const char* caption;  // empty on the two glyph buttons
    Glyph glyph;
    Box box;
    QRect geometry;
    void (Core::*handler)();
};

using G = Glyph;
using B = Box;
using C = Core;

// In focus order.
const std::array<KeyButton, 33> kKeyButtons{{
    {"RecUndoKey", "REC Undo", G::None, B::Recording, {8, 16, 57, 25}, &C::RecUndoKeyClick},
    {"MresetKey", "M.Reset", G::None, B::Recording, {72, 16, 57, 25}, &C::MresetKeyClick},
    {"RecKey1", "REC", G::None, B::Recording, {8, 48, 121, 25}, &C::RecKey1Click},
    {"MTrackKey", "Manual Track", G::None, B::Recording, {8, 80, 121, 25}, &C::MTrackKeyClick},
    {"RecVolUpKey", "", G::Rising, B::Recording, {56, 128, 25, 25}, &C::RecVolUpBottunClick},
    {"RecVolLeftKey", "L", G::None, B::Recording, {24, 144, 25, 25}, &C::RecVolLeftKeyClick},
    {"RecVolRightKey", "R", G::None, B::Recording, {88, 144, 25, 25}, &C::RecVolRightKeyClick},
    {"RecVolDownKey", "", G::Falling, B::Recording, {56, 160, 25, 25}, &C::RecVolDownKeyClick},
    {"JumpBack", "|<<", G::None, B::Panel, {152, 18, 57, 25}, &C::JumpBackClick},
    {"JumpFF", ">>|", G::None, B::Panel, {216, 18, 57, 25}, &C::JumpFFClick},
    {"RewKey", "<<", G::None, B::Panel, {288, 18, 57, 25}, &C::RewKeyClick},
    {"FFKey", ">>", G::None, B::Panel, {352, 18, 57, 25}, &C::FFKeyClick},
    {"StopKey", "Stop", G::None, B::Panel, {152, 48, 121, 25}, &C::StopKeyClick},
    {"PlayKey", "Play", G::None, B::Panel, {288, 48, 121, 25}, &C::PlayKeyClick},
    {"PauseKey", "Pause", G::None, B::Panel, {152, 80, 121, 25}, &C::PauseKeyClick},
    {"MarkKey", "Mark", G::None, B::Mark, {8, 16, 41, 17}, &C::MarkKeyClick},
    {"MarkMinus", "|<", G::None, B::Mark, {56, 16, 25, 17}, &C::MarkMinusClick},
    {"MarkPlus", ">|", G::None, B::Mark, {88, 16, 25, 17}, &C::MarkPlusClick},
    {"DispKey", "Display", G::None, B::Panel, {152, 112, 49, 17}, &C::DispKeyClick},
    {"DispTime", "DispTime", G::None, B::Panel, {208, 112, 65, 17}, &C::DispTimeClick},
    {"ABRepeatKey", "A-B Repeat", G::None, B::Panel, {296, 120, 105, 17}, &C::ABRepeatKeyClick},
    {"KeyOne", "1", G::None, B::TenKeys, {8, 16, 17, 17}, &C::KeyOneClick},
    {"KeyTwo", "2", G::None, B::TenKeys, {32, 16, 17, 17}, &C::KeyTwoClick},
    {"KeyThree", "3", G::None, B::TenKeys, {56, 16, 17, 17}, &C::KeyThreeClick},
    {"KeyFour", "4", G::None, B::TenKeys, {80, 16, 17, 17}, &C::KeyFourClick},
    {"KeyFive", "5", G::None, B::TenKeys, {104, 16, 17, 17}, &C::KeyFiveClick},
    {"KeySix", "6", G::None, B::TenKeys, {128, 16, 17, 17}, &C::KeySixClick},
    {"KeySeven", "7", G::None, B::TenKeys, {152, 16, 17, 17}, &C::KeySevenClick},
    {"KeyEight", "8", G::None, B::TenKeys, {176, 16, 17, 17}, &C::KeyEightClick},
    {"KeyNine", "9", G::None, B::TenKeys, {200, 16, 17, 17}, &C::KeyNineClick},
    {"KeyZero", "0", G::None, B::TenKeys, {224, 16, 17, 17}, &C::KeyZeroClick},
    {"StandbyKey", "Standby", G::None, B::Panel, {288, 184, 57, 17}, &C::StandbyKeyClick},
    {"PowerOnKey", "Power On", G::None, B::Panel, {352, 184, 57, 17}, &C::PowerOnKeyClick},
}};

}  // namespace

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
    for (const KeyButton& row : kKeyButtons) {
        QWidget* parent = row.box == B::Recording ? recordGroup
                          : row.box == B::Mark    ? markGroup
                          : row.box == B::TenKeys ? tenKeys
                                                  : panel;
        auto* button = new QPushButton(row.caption, parent);
        button->setObjectName(row.name);
        button->setGeometry(row.geometry);
        // As on the recorder's home platform, Enter on a focused button presses that button.
        button->setAutoDefault(true);
        if (row.glyph != Glyph::None) {
            const bool down = row.glyph == Glyph::Falling;
            button->setAccessibleName(down ? "REC Volume Down" : "REC Volume Up");
            button->setIcon(wedgeIcon(down));
            button->setIconSize({17, 10});
        } else {
            button->setAccessibleName(row.caption);
            fitFontToBox(button, 12, row.caption);
        }
        connect(button, &QPushButton::clicked, this, [core = &core_, row = &row] { (core->*row->handler)(); });
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
