// The limits of one client statement on the storage: its time (a progress handler that
// stops it, a lock wait that ends with it), its memory, and the messages they end with.
#include "server/storage.h"

#include <sqlite3.h>

#include <thread>

namespace qel::server {

QString Storage::memoryMessage() const
{
    return QStringLiteral("There is insufficient system memory in resource pool 'default' to run this query. "
                          "(The embedded server gives one statement at most %1 MB.)")
        .arg(std::max<qint64>(1, memoryCeiling_ / (1024 * 1024)));
}

void Storage::setMemoryCeiling(qint64 bytes)
{
    memoryCeiling_ = bytes;
    // No single text or binary value may take more than the whole statement may.
    const qint64 length = bytes > 0 ? std::clamp<qint64>(bytes, 1 << 20, 1000000000) : 1000000000;
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, static_cast<int>(length));
}

void Storage::beginCall()
{
    if (callDepth_++ > 0)
        return;
    callRunning_ = true;
    stop_ = Stop::None;
    if (statementTimeout_ > 0)
        deadline_ = Clock::now() + std::chrono::milliseconds(statementTimeout_);
}

void Storage::endCall()
{
    if (callDepth_ > 0 && --callDepth_ == 0)
        callRunning_ = false;
}

void Storage::beginStatement()
{
    stop_ = Stop::None;
    memoryAtStart_ = sqlite3_memory_used();
}

int Storage::progress(void* self)
{
    auto* s = static_cast<Storage*>(self);
    if (!s->callRunning_)
        return 0;
    if (s->statementTimeout_ > 0 && Clock::now() >= s->deadline_) {
        s->stop_ = Stop::Timeout;
        return 1;
    }
    if (s->memoryCeiling_ > 0 && sqlite3_memory_used() - s->memoryAtStart_ > s->memoryCeiling_) {
        s->stop_ = Stop::Memory;
        return 1;
    }
    return 0;
}

int Storage::busy(void* self, int count)
{
    // Waits in short steps, so that a statement's own time limit ends the wait as well.
    auto* s = static_cast<Storage*>(self);
    constexpr int kStepMs = 10;
    const qint64 waited = static_cast<qint64>(count) * kStepMs;
    if (s->lockTimeout_ >= 0 && waited >= s->lockTimeout_)
        return 0;
    if (s->callRunning_ && s->statementTimeout_ > 0 && Clock::now() >= s->deadline_) {
        s->stop_ = Stop::Timeout;
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    return 1;
}

} // namespace qel::server
