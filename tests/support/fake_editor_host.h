#pragma once

// The preset editor as the preset transfers see it, for headless tests.

#include <functional>

#include "preset/preset_session.h"

namespace tavrin::test {

// showModal does what showing the real editor does (FormShow: EditorOpen, then a refresh) and
// then runs whileShown, which stands for the time the modal editor is up: the receive ticks
// and the operator's clicks that run nested inside the call. It returns when whileShown does.
class FakeEditorHost final : public preset::EditorHost {
public:
    explicit FakeEditorHost(preset::PresetSession& session) : session_(session) {}

    void showModal() override {
        ++shows;
        if (shown) ++nestedShows;
        shown = true;
        session_.editorShown();
        RefreshControls();
        if (whileShown) whileShown();
        shown = false;
    }
    void endModal() override { ++endModals; }
    void RefreshControls() override {
        ++refreshes;
        locked = false;
    }
    // What LockControls does, as far as the transfers can tell.
    void LockControls() { locked = true; }

    std::function<void()> whileShown;
    int shows = 0;
    int nestedShows = 0;  // showModal called while the editor was already up
    int refreshes = 0;
    int endModals = 0;
    bool shown = false;
    bool locked = false;

private:
    preset::PresetSession& session_;
};

}  // namespace tavrin::test
