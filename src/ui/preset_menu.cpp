#include "ui/preset_menu.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using tavrin::protocol::PresetSetting;

namespace {

namespace setting = tavrin::protocol;

constexpr int kTickMs = 20;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// White while enabled; the system's menu background while disabled.
void TPresetMenu::setFieldColour(QWidget* field, bool enabled) {
    const QColor colour =
        enabled ? QColor(0xFF, 0xFF, 0xFF) : QApplication::palette("QMenu").color(QPalette::Window);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    field->setPalette(palette);
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
    connect(&rxTimer, &QTimer::timeout, this, [this] { core_.tick(); });
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

void TPresetMenu::showFileWarning(std::string_view message) {
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), qs(message), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("FileWarningBox"));
    box.exec();
}

// Shown from the event loop, not from inside the receive tick that found the failure: the tick
// (and the re-read it starts) goes on while the box waits for the operator.
void TPresetMenu::showTransferError(std::string_view message) {
    QTimer::singleShot(0, this, [this, text = qs(message)] {
        QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok,
                        this);
        box.setObjectName(QStringLiteral("TransferErrorBox"));
        box.exec();
    });
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
    if (!event->spontaneous()) editor_.FormShow();
}

void TPresetMenu::closeEvent(QCloseEvent* event) { event->ignore(); }

void TPresetMenu::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

