#pragma once

#include "link/link.h"
#include "link/views.h"
#include "platform/clock.h"
#include "platform/port.h"
#include "preset/editor_view.h"
#include "preset/preset_editor.h"
#include "preset/preset_record.h"
#include "preset/preset_session.h"

namespace tavrin::app {

// The program without its windows: the link, the one preset record, the preset transfers and
// the preset editor's logic, wired to each other here and nowhere else. The windows attach
// themselves as its views and connect their controls to its handlers; tests, fuzzers and
// benchmarks drive it the same way, headless.
class Core {
public:
    static constexpr int kStartPort = 2;

    Core(platform::Port& port, const platform::Clock& clock);
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // The main window's message log and displays; the preset editor window.
    void attachMainWindow(link::MessageLog& log, link::MainDisplays& displays);
    void detachMainWindow();
    void attachEditorView(preset::EditorView& view) { editor_.setView(&view); }
    void detachEditorView() { editor_.setView(nullptr); }

    // Start-up: opens COM2, asks for the recorder's status and resets the preset record.
    void start();
    // The end: the port is closed, so that the next program finds it free.
    void shutdown();

    link::Link& link() { return link_; }
    preset::PresetStore& store() { return store_; }
    preset::PresetSession& session() { return session_; }
    preset::PresetEditor& editor() { return editor_; }

    // The main window's handlers.
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
    void Exit1Click();  // "Display Clear"

    // The 20 ms receive tick (the link's RxTimerTimer), for the main window's RxTimer and,
    // while the preset editor is shown modally from inside a tick, for the editor's own timer.
    void tick() { link_.RxTimerTimer(); }

private:
    link::Link link_;
    preset::PresetStore store_;
    preset::PresetSession session_;
    preset::PresetEditor editor_;
    link::MessageLog* log_ = nullptr;
};

}  // namespace tavrin::app
