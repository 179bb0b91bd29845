// A dialogs service for tests: records every message box and answers from a script.
#pragma once

#include "platform/ui/dialogs.h"

#include <QList>
#include <QQueue>
#include <functional>

namespace qel::test {

struct RecordedMessage {
    QString title;
    QString text;
    ui::MsgIcon icon;
    ui::MsgButtons buttons;
    ui::MsgResult answer;
};

// Installed for the lifetime of the object. Without a scripted answer a box is answered
// with its affirmative button (OK or Yes).
class RecordingDialogs : public ui::Dialogs {
public:
    RecordingDialogs();
    ~RecordingDialogs() override;

    ui::MsgResult message(const ui::MessageRequest& request) override;

    void answer(ui::MsgResult result) { script_.enqueue(result); }
    // Runs inside the box's modal moment, before it is answered (e.g. to inspect a window).
    void onMessage(std::function<void(const ui::MessageRequest&)> hook) { hook_ = std::move(hook); }

    const QList<RecordedMessage>& messages() const { return messages_; }
    int count() const { return messages_.size(); }
    const RecordedMessage& last() const { return messages_.last(); }
    QStringList texts() const;
    void clear() { messages_.clear(); }

private:
    ui::Dialogs* previous_;
    QQueue<ui::MsgResult> script_;
    QList<RecordedMessage> messages_;
    std::function<void(const ui::MessageRequest&)> hook_;
};

} // namespace qel::test
