#pragma once

#include <span>
#include <string_view>

#include <QList>
#include <QMainWindow>

#include "link/link.h"
#include "link/views.h"
#include "preset/preset_editor.h"
#include "preset/preset_record.h"
#include "preset/preset_session.h"

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
// the track, time and display-mode fields, and the menu bar. It owns the link and the preset
// transfer and is their message log and display; the work itself is done by the core.
class TRS232C : public QMainWindow, public tavrin::link::MessageLog, public tavrin::link::MainDisplays {
    Q_OBJECT

public:
    TRS232C(tavrin::link::Port& port, const tavrin::link::Clock& clock, QWidget* parent = nullptr);
    ~TRS232C() override;

    tavrin::link::Link& link() { return link_; }
    tavrin::preset::PresetSession& session() { return session_; }
    tavrin::preset::PresetEditor& presetEditor() { return editor_; }
    tavrin::preset::PresetStore& store() { return store_; }
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
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void PlayKeyClick();
    void StopKeyClick();
    void PauseKeyClick();
    void RecKey1Click();
    void RecUndoKeyClick();
    void MresetKeyClick();
    void MTrackKeyClick();
    void RecVolUpBottunClick();
    void RecVolDownKeyClick();
    void RecVolLeftKeyClick();
    void RecVolRightKeyClick();
    void JumpBackClick();
    void JumpFFClick();
    void RewKeyClick();
    void FFKeyClick();
    void ABRepeatKeyClick();
    void MarkKeyClick();
    void MarkMinusClick();
    void MarkPlusClick();
    void DispKeyClick();
    void KeyOneClick();
    void KeyTwoClick();
    void KeyThreeClick();
    void KeyFourClick();
    void KeyFiveClick();
    void KeySixClick();
    void KeySevenClick();
    void KeyEightClick();
    void KeyNineClick();
    void KeyZeroClick();
    void PowerOnKeyClick();
    void StandbyKeyClick();
    void DispTimeClick();
    void PresetKeyClick();
    void PresetMenu1Click();
    // position: the selected item's index, or -1 when the change left no item selected
    void PortComboChange(int position);
    void Exit1Click();
    void Exit2Click();
    void About1Click();
    void RxTimerTimer();

private:
    struct KeyButton;
    static std::span<const KeyButton> keyButtonTable();

    void buildWindow();
    void buildKeyButtons(QWidget* panel, QWidget* recordGroup, QWidget* markGroup, QWidget* tenKeys);
    void buildDisplays(QWidget* client);
    void buildMenus();
    void connectHandlers();
    void setKeyControlsEnabled(bool enabled);

    tavrin::preset::PresetStore store_;
    tavrin::link::Link link_;
    tavrin::preset::PresetSession session_;
    tavrin::preset::PresetEditor editor_;

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
