#pragma once

// The operator at work on the real windows, step by step, while modal windows come and go.

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace tavrin::test {

using namespace std::chrono_literals;

// The operator at work while windows come and go modally: steps done one after the other, each
// as soon as its condition holds. It runs from a timer, so it goes on inside the preset editor's
// modal loop, which a receive tick opened. A step that does not come in time fails the test;
// then every modal window is ended, so that nothing is left hanging.
class Operator {
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    explicit Operator(std::chrono::milliseconds wholeRun = 30s) : wholeRun_(wholeRun) {}

    Operator& waitFor(std::string what, Condition ready, std::chrono::milliseconds within = 10s) {
        steps_.push_back({std::move(what), std::move(ready), {}, within});
        return *this;
    }
    Operator& then(std::string what, Action act) {
        steps_.push_back({std::move(what), {}, std::move(act), 0ms});
        return *this;
    }
    // An action that opens a modal window and waits in it: done from the event loop, so that
    // the next steps go on meanwhile.
    Operator& thenOpen(std::string what, Action opensModal) {
        return then(std::move(what), [act = std::move(opensModal)] { QTimer::singleShot(0, act); });
    }

    // Returns once every step is done and no modal window is left, or after a failure.
    bool run() {
        QEventLoop loop;
        QTimer stepper;
        QTimer watchdog;
        QTimer rescuer;
        const auto fail = [&](const std::string& why) {
            if (failed_) return;
            failed_ = true;
            ADD_FAILURE() << why;
            stepper.stop();
            rescuer.start(5);
        };
        QObject::connect(&rescuer, &QTimer::timeout, [&] {
            // The innermost modal window first; each one's loop returns once this slot has.
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
                else modal->close();
                return;
            }
            rescuer.stop();
            loop.quit();
        });
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            fail("the operator's run took longer than " + std::to_string(wholeRun_.count()) +
                 " ms, at step: " + at_);
        });
        auto stepDeadline = Clock::now() + (steps_.empty() ? 0ms : steps_.front().within);
        QObject::connect(&stepper, &QTimer::timeout, [&] {
            while (next_ < steps_.size()) {
                Step& step = steps_[next_];
                at_ = step.what;
                if (step.ready && !step.ready()) {
                    if (Clock::now() > stepDeadline) fail("gave up waiting for: " + step.what);
                    return;
                }
                // Counted before acting: an action may open a modal window whose loop runs this
                // timer's ticks only after the action has returned.
                ++next_;
                if (next_ < steps_.size()) stepDeadline = Clock::now() + steps_[next_].within;
                if (step.act) step.act();
                if (failed_) return;
            }
            stepper.stop();
            at_ = "the end";
            if (QApplication::activeModalWidget()) {
                fail("a modal window is still open after the last step");
                return;
            }
            loop.quit();
        });
        watchdog.setSingleShot(true);
        watchdog.start(static_cast<int>(wholeRun_.count()));
        stepper.start(5);
        loop.exec();
        return !failed_ && next_ == steps_.size();
    }

private:
    struct Step {
        std::string what;
        Condition ready;  // empty: at once
        Action act;       // empty: a wait only
        std::chrono::milliseconds within;
    };
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::string at_;  // the step being waited for or done
    bool failed_ = false;
    std::chrono::milliseconds wholeRun_;
};

}  // namespace tavrin::test
