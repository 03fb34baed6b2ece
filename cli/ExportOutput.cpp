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
    if (m_ownsReader) close(m_reader);
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
    if ((flags & O_ACCMODE) == O_RDWR) {
        m_reader = fd;
    } else {
        // `>` opens the file for writing only; the process's own link to it opens it again.
        m_reader = open(fmt::format("/proc/self/fd/{}", fd).c_str(), O_RDONLY | O_CLOEXEC);
        struct stat reopened {};
        if (m_reader < 0) return false;
        m_ownsReader = true;
        if (fstat(m_reader, &reopened) != 0 || reopened.st_dev != status.st_dev || reopened.st_ino != status.st_ino) {
            return false;
        }
    }
    m_inPlace = true;
    return true;
}

void ExportOutput::expect(std::size_t findings) {
    if (m_bodyAt < 0) m_headRoom = OrvelJSON::FindingWriter::head(std::max<std::size_t>(findings, 1)).size();
}

void ExportOutput::body(std::string_view piece) {
    if (m_spill) {
        m_failed = m_failed || !write(m_spill, piece);
        return;
    }
    m_pending += piece;
    if (m_pending.size() >= kBufferBytes) flushInPlace();
}

void ExportOutput::flushInPlace() {
    if (m_pending.empty()) return;
    if (m_bodyAt < 0) {
        if (m_headRoom == 0) expect(1);
        m_bodyAt = m_bodyEnd = m_base + static_cast<off_t>(m_headRoom);
    }
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
    const off_t length = m_bodyEnd - m_bodyAt;
    std::vector<char> stretch(static_cast<std::size_t>(std::min<off_t>(length, kBufferBytes)));
    const bool later = to > m_bodyAt;
    for (off_t done = 0; done < length;) {
        const auto size = static_cast<std::size_t>(std::min<off_t>(length - done, kBufferBytes));
        const off_t offset = later ? length - done - static_cast<off_t>(size) : done;
        if (pread(m_reader, stretch.data(), size, m_bodyAt + offset) != static_cast<ssize_t>(size) ||
            !writeAt({stretch.data(), size}, to + offset)) {
            return false;
        }
        done += static_cast<off_t>(size);
    }
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
    flushInPlace();
    // What the document puts before the body, and after it once the body is in.
    std::string head;
    std::string tail;
    bool withBody = false;
    document.finish([&](std::string_view piece) { (withBody ? tail : head) += piece; },
                    [&] { return withBody = true; });
    off_t end = m_base + static_cast<off_t>(head.size());
    if (withBody && m_bodyAt >= 0) {
        if (m_bodyAt != end && !moveBody(end)) return false;
        end = m_bodyEnd;
    }
    if (!writeAt(head, m_base) || !writeAt(tail, end)) return false;
    end += static_cast<off_t>(tail.size());
    // A body moved towards the head, or left out of a document that cannot be written, leaves
    // bytes behind the document's end.
    return ftruncate(fileno(m_out), end) == 0 && fseeko(m_out, end, SEEK_SET) == 0;
}

} // namespace orvel::cli
