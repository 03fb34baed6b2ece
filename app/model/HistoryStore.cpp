#include "model/HistoryStore.h"

#include <utility>

namespace orvel {

HistoryStore::HistoryStore(QString fileName, QSettings::Format format, QString key)
    : m_fileName(std::move(fileName)), m_format(format), m_key(std::move(key)),
      m_worker([this](std::stop_token stop) { writeQueued(std::move(stop)); }) {}

HistoryStore::~HistoryStore() {
    flush();
    m_worker.request_stop();
}

void HistoryStore::save(InspectionHistory history) {
    {
        std::scoped_lock lock(m_mutex);
        m_queued = std::move(history);
    }
    m_changed.notify_all();
}

void HistoryStore::flush() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_queued && !m_writing; });
}

void HistoryStore::writeQueued(std::stop_token stop) {
    // The worker's own settings object: QSettings objects may be used on different threads at
    // once, and they write through a temporary file renamed into place, so a crash never leaves
    // half a file. When the folder cannot be written, the history simply stays in memory.
    QSettings settings(m_fileName, m_format);
    std::unique_lock lock(m_mutex);
    while (m_changed.wait(lock, stop, [this] { return m_queued.has_value(); })) {
        const InspectionHistory history = std::move(*m_queued);
        m_queued.reset();
        m_writing = true;
        lock.unlock();
        settings.setValue(m_key, QByteArray::fromStdString(history.encoded()));
        settings.sync();
        lock.lock();
        m_writing = false;
        m_changed.notify_all();
    }
}

} // namespace orvel
