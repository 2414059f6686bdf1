#include "app/core.h"

namespace tavrin::app {

using protocol::Key;

Core::Core(platform::Port& port, const platform::Clock& clock)
    : link_(port, clock), session_(link_, store_), editor_(session_) {
    link_.setTransferHooks(&session_);
    session_.setEditor(&editor_);
}

void Core::attachMainWindow(link::MessageLog& log, link::MainDisplays& displays) {
    link_.attach(log, displays);
    log_ = &log;
}

void Core::detachMainWindow() {
    link_.detach();
    log_ = nullptr;
}

void Core::start() {
    link_.changePort(kStartPort);
    session_.ResetPresetRecord();
}

void Core::shutdown() { link_.port().close(); }

void Core::PlayKeyClick() { link_.sendKey(Key::Play); }
void Core::StopKeyClick() { link_.sendKey(Key::Stop); }
void Core::PauseKeyClick() { link_.sendKey(Key::Pause); }
void Core::RecKey1Click() { link_.sendKey(Key::Rec); }
void Core::RecUndoKeyClick() { link_.sendKey(Key::RecUndo); }
void Core::MresetKeyClick() { link_.sendKey(Key::MReset); }
void Core::MTrackKeyClick() { link_.sendKey(Key::MTrack); }
void Core::RecVolUpBottunClick() { link_.sendKey(Key::RecVolUp); }
void Core::RecVolDownKeyClick() { link_.sendKey(Key::RecVolDown); }
void Core::RecVolLeftKeyClick() { link_.sendKey(Key::RecVolLeft); }
void Core::RecVolRightKeyClick() { link_.sendKey(Key::RecVolRight); }
void Core::JumpBackClick() { link_.sendKey(Key::JumpBack); }
void Core::JumpFFClick() { link_.sendKey(Key::JumpFF); }
void Core::RewKeyClick() { link_.sendKey(Key::Rew); }
void Core::FFKeyClick() { link_.sendKey(Key::FF); }
void Core::ABRepeatKeyClick() { link_.sendKey(Key::ABRepeat); }
void Core::MarkKeyClick() { link_.sendKey(Key::Mark); }
void Core::MarkMinusClick() { link_.sendKey(Key::MarkMinus); }
void Core::MarkPlusClick() { link_.sendKey(Key::MarkPlus); }
void Core::DispKeyClick() { link_.sendKey(Key::Display); }
void Core::KeyOneClick() { link_.sendKey(Key::One); }
void Core::KeyTwoClick() { link_.sendKey(Key::Two); }
void Core::KeyThreeClick() { link_.sendKey(Key::Three); }
void Core::KeyFourClick() { link_.sendKey(Key::Four); }
void Core::KeyFiveClick() { link_.sendKey(Key::Five); }
void Core::KeySixClick() { link_.sendKey(Key::Six); }
void Core::KeySevenClick() { link_.sendKey(Key::Seven); }
void Core::KeyEightClick() { link_.sendKey(Key::Eight); }
void Core::KeyNineClick() { link_.sendKey(Key::Nine); }
void Core::KeyZeroClick() { link_.sendKey(Key::Zero); }
void Core::PowerOnKeyClick() { link_.sendKey(Key::PowerOn); }
void Core::StandbyKeyClick() { link_.sendKey(Key::Standby); }
void Core::DispTimeClick() { link_.requestTimeLogged(); }

void Core::PresetKeyClick() { session_.PresetGate(); }
void Core::PresetMenu1Click() { session_.PresetGate(); }

void Core::PortComboChange(int position) { link_.changePort(position + 1); }

void Core::Exit1Click() {
    if (log_) log_->clear();
}

}  // namespace tavrin::app
