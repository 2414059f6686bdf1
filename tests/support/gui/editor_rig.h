#pragma once

// The preset editor window on the real core (link, preset transfer, editor logic) with a fake
// port, message log and main-window displays, and helpers that act as the operator does.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "support/core_rig.h"
#include "ui/preset_menu.h"

namespace tavrin::test {

struct EditorRig : CoreRig<> {
    TPresetMenu window{core};

    EditorRig() {
        port.open(2);
        link.stateForTesting().linkUp = true;
        link.stateForTesting().recorder.state = protocol::RecorderState::PresetTransfer;
        session.ResetPresetRecord();
    }
    ~EditorRig() { window.hide(); }

    // Every setting from Input Select to Remote Mode known with its reset value.
    void markAllKnown() {
        using protocol::PresetSetting;
        for (int i = protocol::index(PresetSetting::PresetNo); i < protocol::index(PresetSetting::ID1); ++i)
            store.set(protocol::settingAt(i), store.get(protocol::settingAt(i)));
    }

    template <typename W = QWidget>
    W* find(const char* name) const {
        return window.findChild<W*>(QString::fromLatin1(name));
    }
    QAction* action(const char* name) const { return find<QAction>(name); }
};

// Picks an entry of a list as the operator does: opens it and clicks the entry.
inline void pick(QComboBox* combo, int position) {
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QRect entry = view->visualRect(view->model()->index(position, 0));
    // An entry's rectangle may run past the popup's right edge: click inside both.
    const QPoint inside(view->viewport()->width() / 2, entry.center().y());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, inside);
}

// Hands the next modal box or dialog that opens (other than `except`) to handle, which closes
// it; with Watch::Each, every one that opens while it lives, such as a file dialog and the
// message box that follows it. Watches only while it lives, so a box that never appears cannot
// hang a test.
class ModalWatcher {
public:
    enum class Watch { Next, Each };

    explicit ModalWatcher(std::function<void(QWidget*)> handle, QWidget* except = nullptr,
                          Watch watch = Watch::Next)
        : handle_(std::move(handle)), except_(except) {
        QObject::connect(&timer_, &QTimer::timeout, [this, watch] {
            QWidget* modal = QApplication::activeModalWidget();
            // One that was handed over may stay up until its queued close has run.
            if (!modal || modal == except_ || modal == handled_) return;
            if (watch == Watch::Next) timer_.stop();
            ++seen_;
            handled_ = modal;
            handle_(modal);
        });
        timer_.start(5);
    }
    bool seen() const { return seen_ > 0; }
    int count() const { return seen_; }

private:
    std::function<void(QWidget*)> handle_;
    QWidget* except_;
    QPointer<QWidget> handled_;  // null again once it is gone, whatever comes at its address
    QTimer timer_;
    int seen_ = 0;
};

// What the editor shows for every setting: the checked radio button's caption, the selected
// entry, the ID field's text; empty where nothing is shown.
inline std::vector<std::string> shownInEditor(const TPresetMenu& editor) {
    std::vector<std::string> shown;
    for (const protocol::SettingInfo& setting : protocol::kSettings) {
        const QWidget* control = editor.settingControl(setting.setting);
        QString text;
        if (const auto* list = qobject_cast<const QComboBox*>(control)) {
            if (list->currentIndex() >= 0) text = list->currentText();
        } else if (const auto* field = qobject_cast<const QLineEdit*>(control)) {
            text = field->text();
        } else if (control) {
            for (const QRadioButton* radio : control->findChildren<QRadioButton*>())
                if (radio->isChecked()) text = radio->text();
        }
        shown.push_back(std::string(setting.name) + "=" + text.toStdString());
    }
    return shown;
}

}  // namespace tavrin::test
