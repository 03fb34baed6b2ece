#include "ExportOutput.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <fmt/format.h>

namespace orvel::cli {
namespace {

// A large scan's export is hundreds of megabytes, laid out in records of a few hundred bytes:
// buffers this large write it in few calls.
constexpr std::size_t kBufferBytes = std::size_t{256} << 10;
// The body is placed once this many candidates have told how many of them become findings,
// or once this much of it waits: a log's first thousand candidates foretell its count's
// length in all but the closest cases, and a wrong one costs a move of the body.
constexpr std::size_t kExaminedToForetell = 1024;
constexpr std::size_t kMostHeldUnplaced = std::size_t{4} << 20;

bool write(std::FILE* file, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// Sends the whole spill to `to`: through the kernel where it can, else through a buffer.
bool copy(std::FILE* from, std::FILE* to) {
    if (std::fflush(from) != 0 || std::fflush(to) != 0) return false;
    struct stat status {};
    if (fstat(fileno(from), &status) != 0) return false;
    off_t sent = 0;
    while (sent < status.st_size) {
        const ssize_t count =
            sendfile(fileno(to), fileno(from), &sent, static_cast<std::size_t>(status.st_size - sent));
        if (count <= 0) break;
    }
    if (sent == status.st_size) return true;
    if (fseeko(from, sent, SEEK_SET) != 0) return false;
    char buffer[1 << 16];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, from)) > 0;) {
        if (!write(to, {buffer, count})) return false;
    }
    return !std::ferror(from);
}

} // namespace

ExportOutput::ExportOutput(std::FILE* out) : m_out(out) {
    if (openInPlace()) {
        m_pending.reserve(kBufferBytes);
        return;
    }
    m_spill = std::tmpfile();
    // Given, since glibc would take the size of a buffer it allocates itself from the file
    // system's block.
    m_spillBuffer = std::make_unique<char[]>(kBufferBytes);
    if (m_spill) std::setvbuf(m_spill, m_spillBuffer.get(), _IOFBF, kBufferBytes);
}

ExportOutput::~ExportOutput() {
    if (m_spill) std::fclose(m_spill);
}

// In place only where nothing but this document can be disturbed: a regular file that ends
// where the document starts and is not appended to, and that can also be read, to move the
// body should the head need other room.
bool ExportOutput::openInPlace() {
    if (std::fflush(m_out) != 0) return false;
    const int fd = fileno(m_out);
    struct stat status {};
    const int flags = fcntl(fd, F_GETFL);
    if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 || (flags & O_APPEND) != 0) {
        return false;
    }
    m_base = lseek(fd, 0, SEEK_CUR);
    if (m_base < 0 || m_base != status.st_size) return false;
    m_readable = (flags & O_ACCMODE) == O_RDWR;
    // The reader is opened only to move the body: closing a second descriptor of a file that
    // `>` emptied makes ext4 write out every page written so far, there and then.
    const int reader = openReader();
    if (reader < 0) return false;
    if (reader != fd) close(reader);
    m_inPlace = true;
    return true;
}

// A descriptor that reads the output file: its own where it was opened for reading too, else
// a new one through the process's link to it (`>` opens a file for writing only).
int ExportOutput::openReader() const {
    const int fd = fileno(m_out);
    if (m_readable) return fd;
    const int reader = open(fmt::format("/proc/self/fd/{}", fd).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    struct stat reopened {};
    if (reader >= 0 && (fstat(fd, &status) != 0 || fstat(reader, &reopened) != 0 || reopened.st_dev != status.st_dev ||
                        reopened.st_ino != status.st_ino)) {
        close(reader);
        return -1;
    }
    return reader;
}

void ExportOutput::expect(std::size_t found, std::size_t examined, std::size_t total) {
    if (m_bodyAt >= 0) return;
    // The rate so far, carried to every candidate; no more findings than candidates.
    m_foretold = examined == 0 ? total : std::min(total, found * total / examined);
    if (examined >= kExaminedToForetell) place(m_foretold);
}

void ExportOutput::place(std::size_t findings) {
    m_bodyAt = m_bodyEnd =
        m_base + static_cast<off_t>(OrvelJSON::FindingWriter::head(std::max<std::size_t>(findings, 1)).size());
}

void ExportOutput::body(std::string_view piece) {
    if (m_spill) {
        m_failed = m_failed || !write(m_spill, piece);
        return;
    }
    m_pending += piece;
    // Held until placed, within bounds.
    if (m_bodyAt < 0 && m_pending.size() >= kMostHeldUnplaced) place(m_foretold);
    if (m_bodyAt >= 0 && m_pending.size() >= kBufferBytes) flushInPlace();
}

void ExportOutput::flushInPlace() {
    if (m_pending.empty()) return;
    m_failed = m_failed || !writeAt(m_pending, m_bodyEnd);
    m_bodyEnd += static_cast<off_t>(m_pending.size());
    m_pending.clear();
}

bool ExportOutput::writeAt(std::string_view text, off_t at) {
    while (!text.empty()) {
        const ssize_t count = pwrite(fileno(m_out), text.data(), text.size(), at);
        if (count <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(count));
        at += count;
    }
    return true;
}

// Moves the body, in stretches taken from the end it moves towards, so that no stretch is
// overwritten before it is read.
bool ExportOutput::moveBody(off_t to) {
    const int reader = openReader();
    if (reader < 0) return false;
    const off_t length = m_bodyEnd - m_bodyAt;
    std::vector<char> stretch(static_cast<std::size_t>(std::min<off_t>(length, kBufferBytes)));
    const bool later = to > m_bodyAt;
    off_t done = 0;
    while (done < length) {
        const auto size = static_cast<std::size_t>(std::min<off_t>(length - done, kBufferBytes));
        const off_t offset = later ? length - done - static_cast<off_t>(size) : done;
        if (pread(reader, stretch.data(), size, m_bodyAt + offset) != static_cast<ssize_t>(size) ||
            !writeAt({stretch.data(), size}, to + offset)) {
            break;
        }
        done += static_cast<off_t>(size);
    }
    if (reader != fileno(m_out)) close(reader);
    if (done < length) return false;
    m_bodyAt = to;
    m_bodyEnd = to + length;
    return true;
}

bool ExportOutput::finish(const OrvelJSON::FindingWriter& document) {
    if (!m_inPlace) {
        return document.finish([this](std::string_view piece) { write(m_out, piece); },
                               [this] { return !m_failed && copy(m_spill, m_out); });
    }
    return finishInPlace(document) && !m_failed;
}

bool ExportOutput::finishInPlace(const OrvelJSON::FindingWriter& document) {
    // What the document puts before the body, and after it once the body is in.
    std::string head;
    std::string tail;
    bool withBody = false;
    document.finish([&](std::string_view piece) { (withBody ? tail : head) += piece; },
                    [&] { return withBody = true; });
    const off_t bodyAt = m_base + static_cast<off_t>(head.size());
    // A body still held goes where the head now known ends, unless the document leaves it out.
    if (!withBody) m_pending.clear();
    if (m_bodyAt < 0) m_bodyAt = m_bodyEnd = bodyAt;
    flushInPlace();
    off_t end = bodyAt;
    if (withBody && m_bodyEnd > m_bodyAt) {
        if (m_bodyAt != bodyAt && !moveBody(bodyAt)) return false;
        end = m_bodyEnd;
    }
    if (!writeAt(head, m_base) || !writeAt(tail, end)) return false;
    end += static_cast<off_t>(tail.size());
    // A body moved towards the head, or left out of a document that cannot be written, leaves
    // bytes behind the document's end.
    struct stat status {};
    if (fstat(fileno(m_out), &status) != 0) return false;
    if (status.st_size > end && ftruncate(fileno(m_out), end) != 0) return false;
    return fseeko(m_out, end, SEEK_SET) == 0;
}

} // namespace orvel::cli
