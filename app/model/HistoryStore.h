#pragma once

#include <QSettings>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "orvel/InspectionHistory.h"

namespace orvel {

/// Writes the history to the preferences file on a worker thread, so that encoding and writing
/// a large history (each entry holds its whole input) never holds up typing. The newest
/// snapshot replaces one not yet written; destroying the store writes what is pending.
class HistoryStore {
public:
    /// A store writing `key` of the preferences file `fileName` in `format`.
    HistoryStore(QString fileName, QSettings::Format format, QString key);
    ~HistoryStore();

    /// Queues `history` to be written.
    void save(InspectionHistory history);
    /// Waits until every history queued so far is written.
    void flush();

private:
    void writeQueued(std::stop_token stop);

    const QString m_fileName;
    const QSettings::Format m_format;
    const QString m_key;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::optional<InspectionHistory> m_queued;
    bool m_writing = false;
    // Declared last: joined before the queue it reads goes away.
    std::jthread m_worker;
};

} // namespace orvel
