#pragma once

#include <span>
#include <string_view>

#include <QList>
#include <QMainWindow>

#include "app/core.h"
#include "link/views.h"

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TVersionForm;

// The main window: the recorder's front-panel keys, the COM port selector, the message log,
// the track, time and display-mode fields, and the menu bar. It is the core's message log and
// display and connects each control to the core's handler of the same name; the work itself
// is done by the core.
class TRS232C : public QMainWindow, public tavrin::link::MessageLog, public tavrin::link::MainDisplays {
    Q_OBJECT

public:
    explicit TRS232C(tavrin::app::Core& core, QWidget* parent = nullptr);
    ~TRS232C() override;

    tavrin::app::Core& core() { return core_; }
    void setVersionForm(TVersionForm* form) { versionForm_ = form; }

    // tavrin::link::MessageLog
    void insertLine(std::string_view text) override;
    void clear() override;

    // tavrin::link::MainDisplays
    void setTrackText(std::string_view text) override;
    void setTimeText(std::string_view text) override;
    void setDispModeText(std::string_view text) override;
    void DisableKeyControls() override;
    void EnableKeyControls() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Exit2Click();
    void About1Click();

private:
    // rs232c_window_layout.cpp: the window's controls, where they stand and what they show.
    void buildWindow();
    void buildKeyButtons(QWidget* panel, QWidget* recordGroup, QWidget* markGroup, QWidget* tenKeys);
    void buildDisplays(QWidget* client);
    void buildMenus();

    void connectHandlers();
    void setKeyControlsEnabled(bool enabled);

    tavrin::app::Core& core_;
    TVersionForm* versionForm_ = nullptr;
    QList<QAbstractButton*> keyButtons_;  // the 34 buttons that a preset transfer switches off
    QList<QMenu*> headings_;              // File, Mode, Help
    QPushButton* presetKey_ = nullptr;
    QComboBox* portCombo_ = nullptr;
    QPlainTextEdit* messageDisp_ = nullptr;
    QLineEdit* trackEdit_ = nullptr;
    QLineEdit* timeEdit_ = nullptr;
    QLabel* dispModeLabel_ = nullptr;
    QTimer* rxTimer_ = nullptr;
};
