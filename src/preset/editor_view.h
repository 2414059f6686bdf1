#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/setting_codes.h"

namespace tavrin::preset {

// The preset editor window as the editor's logic sees it. Radio groups and lists are named
// by the setting they show. Nothing done through this interface stores or sends anything:
// a view never reports a programmatic check or selection as the operator's pick.
class EditorView {
public:
    virtual ~EditorView() = default;

    // Checks the button that stands for value in the setting's group (on/off: 1 On, 0 Off;
    // Date Form: 1 DMY, 0 MDY); -1 unchecks the whole group.
    virtual void checkRadio(protocol::PresetSetting group, int value) = 0;
    // All 30 radio buttons; they keep their checked state.
    virtual void setRadiosEnabled(bool enabled) = 0;

    // Lists: PresetNo, SampleRate, BitRate, FileFormat, AutoTrackTime, SSkipTime,
    // SSkipLevel, AutoCueTime, AutoCueLevel, RemoteMode.
    virtual void setListEntries(protocol::PresetSetting list, std::span<const std::string_view> entries) = 0;
    virtual void selectListEntry(protocol::PresetSetting list, int position) = 0;  // -1: no entry
    // Enabled lists are white; disabled ones take the menu background colour.
    virtual void setListEnabled(protocol::PresetSetting list, bool enabled) = 0;
    virtual bool isListEnabled(protocol::PresetSetting list) const = 0;

    virtual void setMenusEnabled(bool enabled) = 0;    // "File(F)" and "Edit(E)"
    virtual void setIdFieldsEnabled(bool enabled) = 0; // the three ID fields, with their colour
    virtual void setIdText(protocol::PresetSetting id, std::string_view text) = 0;
    virtual std::string idText(protocol::PresetSetting id) const = 0;
    virtual void setButtonsEnabled(bool enabled) = 0;  // Default, Close and the three "set"
    virtual bool isCloseKeyEnabled() const = 0;        // locked exactly while Close is disabled
    virtual void repaintNow() = 0;

    virtual void showModal() = 0;
    virtual void endModal() = 0;

    // Modal boxes; ticks go on running while they wait.
    virtual void showInvalidIdBox() = 0;  // "Include invalid charactor", title "ERROR"
    virtual void showNotPresetFileBox() = 0;  // "Not TAVRIN preset file!"
    virtual void showFileError(std::string_view message) = 0;
    virtual void showFileWarning(std::string_view message) = 0;  // a box with the warning icon
    // A box with the error icon; it may come up once the running handler has returned.
    virtual void showTransferError(std::string_view message) = 0;
    virtual std::optional<std::string> askOpenPath() = 0;  // "Open TAVRIN preste file"
    virtual std::optional<std::string> askSavePath() = 0;  // asks before overwriting
};

}  // namespace tavrin::preset
