#include "ui/rs232c_window.h"

#include <cstdio>
#include <cstdlib>

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include "ui/version_form.h"

using tavrin::app::Core;

namespace {

constexpr int kRxInterval = 20;  // ms
// The log keeps the newest lines: a recorder flooding replies would otherwise grow the program
// without end. Ten thousand lines are hours of an ordinary session.
constexpr int kLogLines = 10'000;
constexpr int kStartPortPosition = Core::kStartPort - 1;  // the item "2"

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

}  // namespace

TRS232C::TRS232C(Core& core, QWidget* parent) : QMainWindow(parent), core_(core) {
    buildWindow();
    connectHandlers();
    core_.attachMainWindow(*this, *this);

    rxTimer_ = new QTimer(this);
    rxTimer_->setObjectName("RxTimer");
    rxTimer_->setInterval(kRxInterval);
    connect(rxTimer_, &QTimer::timeout, this, [this] { core_.tick(); });
    rxTimer_->start();

    {
        // Start-up opens COM2 below; selecting the item must not open it a second time.
        const QSignalBlocker blocker(portCombo_);
        portCombo_->setCurrentIndex(kStartPortPosition);
    }
    core_.start();
}

TRS232C::~TRS232C() {
    // Nothing a dying widget still emits may reach the core, and the core shows nothing more.
    rxTimer_->stop();
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
    core_.detachMainWindow();
}

void TRS232C::connectHandlers() {
    connect(presetKey_, &QPushButton::clicked, this, [this] { core_.PresetKeyClick(); });

    // activated comes with every choice from the list, the same item again included, and with
    // Enter after typed text that names an item. Text that names no port opens nothing: the
    // selector goes back to the port last chosen once editing ends.
    connect(portCombo_, &QComboBox::activated, this,
            [this](int position) { core_.PortComboChange(position); });
    connect(portCombo_->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        // After the toolkit has seen the text too: the combo box hands one Enter on twice.
        QTimer::singleShot(0, this, [this] {
            portCombo_->setEditText(portCombo_->itemText(portCombo_->currentIndex()));
        });
    });
    // A stray wheel notch over the selector would drop the recorder: it turns only with focus.
    portCombo_->setFocusPolicy(Qt::StrongFocus);
    portCombo_->installEventFilter(this);
    portCombo_->lineEdit()->installEventFilter(this);

    connect(findChild<QAction*>("Exit1"), &QAction::triggered, this, [this] { core_.Exit1Click(); });
    connect(findChild<QAction*>("Exit2"), &QAction::triggered, this, &TRS232C::Exit2Click);
    connect(findChild<QAction*>("PresetMenu1"), &QAction::triggered, this,
            [this] { core_.PresetMenu1Click(); });
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
    if (document->blockCount() <= kLogLines) return;
    QTextCursor oldest(document->lastBlock());
    oldest.select(QTextCursor::BlockUnderCursor);  // with the line break before it
    oldest.removeSelectedText();
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

bool TRS232C::eventFilter(QObject* watched, QEvent* event) {
    if (watched == portCombo_ && event->type() == QEvent::Wheel && !portCombo_->hasFocus()) {
        event->ignore();
        return true;
    }
    // Enter after the number of the port shown chooses it again; the toolkit reports a choice
    // of another item only.
    if (watched == portCombo_->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int position = portCombo_->findText(portCombo_->lineEdit()->text().trimmed());
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && position >= 0 &&
            position == portCombo_->currentIndex())
            core_.PortComboChange(position);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TRS232C::keyPressEvent(QKeyEvent* event) {
    // PresetKey is the default button: Enter that no focused control took presses it. The port
    // selector's Enter ends the typing of a port number and nothing more.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool inSelector = portCombo_->isAncestorOf(focusWidget()) || focusWidget() == portCombo_;
    if (enter && plain && presetKey_->isEnabled() && !inSelector) {
        presetKey_->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --- The window's own handlers ---------------------------------------------------------------

void TRS232C::Exit2Click() {
    // At once, as the operator asked: no window is closed and nothing is asked first. The port is
    // closed, though: a device that another process holds too (a pseudo-terminal, a serial
    // server) would otherwise keep this program's exclusive claim.
    core_.shutdown();
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

void TRS232C::About1Click() {
    if (!versionForm_) return;
    versionForm_->insertVersionLine();
    versionForm_->exec();
}
