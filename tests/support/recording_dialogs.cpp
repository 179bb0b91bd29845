#include "tests/support/recording_dialogs.h"

namespace qel::test {
namespace {
ui::Dialogs* g_installed = nullptr;
}

RecordingDialogs::RecordingDialogs() : previous_(g_installed)
{
    g_installed = this;
    ui::setDialogs(this);
}

RecordingDialogs::~RecordingDialogs()
{
    g_installed = previous_;
    ui::setDialogs(previous_);
}

ui::MsgResult RecordingDialogs::message(const ui::MessageRequest& request)
{
    if (hook_)
        hook_(request);
    ui::MsgResult result;
    if (!script_.isEmpty())
        result = script_.dequeue();
    else
        result = request.buttons == ui::MsgButtons::YesNo ? ui::MsgResult::Yes
               : request.buttons == ui::MsgButtons::Cancel ? ui::MsgResult::Cancel
                                                            : ui::MsgResult::Ok;
    messages_.append({request.title, request.text, request.icon, request.buttons, result});
    return result;
}

QStringList RecordingDialogs::texts() const
{
    QStringList out;
    for (const auto& m : messages_)
        out << m.text;
    return out;
}

} // namespace qel::test
