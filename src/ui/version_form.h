#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About box: the program's name and version, shown modally from the main window's Help
// menu and closed only by its OK button.
class TVersionForm : public QDialog {
    Q_OBJECT

public:
    explicit TVersionForm(QWidget* parent = nullptr);

    // Puts "version 1.2" at the top of the version field; done before each showing.
    void insertVersionLine();

public slots:
    // The box has no close box and no Cancel: Escape and the window manager's close are ignored.
    void reject() override;

private slots:
    void VersionOKbuttonClick();

private:
    QPlainTextEdit* versionMemo_ = nullptr;
    QPushButton* okButton_ = nullptr;
};
