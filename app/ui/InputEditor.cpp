#include "ui/InputEditor.h"

#include <QMimeData>
#include <QStringEncoder>

#include <algorithm>
#include <string_view>
#include <vector>

#include "ui/Style.h"

namespace orvel {

namespace {

// `text` as the editor holds it: a line feed wherever a line ends.
QString editorForm(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

bool hasLineLongerThan(const QString& text, qsizetype length) {
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf(u'\n', lineStart);
        if (lineEnd < 0) lineEnd = text.size();
        if (lineEnd - lineStart > length) return true;
        lineStart = lineEnd + 1;
    }
    return false;
}

// `text` as UTF-8, encoded a piece at a time: a string sized for the worst case up front would
// be three times as large and filled with zeros first, which costs more than the encoding.
std::string utf8Of(QStringView text) {
    constexpr qsizetype piece = 16 * 1024;
    QStringEncoder encoder(QStringConverter::Utf8);
    std::vector<char> buffer(static_cast<std::size_t>(encoder.requiredSpace(piece)));
    std::string utf8;
    utf8.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype at = 0; at < text.size(); at += piece)
        utf8.append(buffer.data(), encoder.appendToBuffer(buffer.data(), text.mid(at, piece)));
    return utf8;
}

bool isLarge(std::string_view input) {
    if (input.size() > InputEditor::largeInputBytes) return true;
    for (std::size_t lineStart = 0; lineStart < input.size();) {
        const std::size_t lineEnd = std::min(input.find('\n', lineStart), input.size());
        if (lineEnd - lineStart > InputEditor::longLineBytes) return true;
        lineStart = lineEnd + 1;
    }
    return false;
}

// The same test on a text not yet encoded: a UTF-16 unit is at least one byte of UTF-8.
bool isLarge(const QString& text) {
    return static_cast<std::size_t>(text.size()) > InputEditor::largeInputBytes ||
           hasLineLongerThan(text, qsizetype{InputEditor::longLineBytes});
}

// The first previewBytes of `input`, cut before a character that would not fit whole.
QString beginning(std::string_view input) {
    std::size_t end = std::min(input.size(), InputEditor::previewBytes);
    if (end < input.size()) {
        while (end > 0 && (static_cast<unsigned char>(input[end]) & 0xC0) == 0x80) --end;
    }
    return QString::fromUtf8(input.data(), static_cast<qsizetype>(end));
}

} // namespace

InputEditor::InputEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("inputEditor"));
    setFont(Style::monospaced(Style::TextStyle::callout));
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing) return;
        ++m_pasteTicket;
        m_represented = currentText().toStdString();
        m_edited = *m_represented;
        emit edited();
    });
}

void InputEditor::showInput(const std::string& input) {
    if (input == m_represented) return;
    const bool large = isLarge(input);
    // A large text is never edited here, so it need not be remembered: showing its beginning
    // again is cheap.
    m_represented = large ? std::nullopt : std::optional(input);
    setReadOnly(large);
    const QString shown = large ? beginning(input) : editorForm(QString::fromStdString(input));
    if (shown == currentText()) return;
    ++m_pasteTicket;
    setLineWrapMode(hasLineLongerThan(shown, wrappedLineLength) ? NoWrap : WidgetWidth);
    m_showing = true;
    setPlainText(shown);
    m_showing = false;
}

QString InputEditor::currentText() const {
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void InputEditor::insertFromMimeData(const QMimeData* source) {
    // Only the beginning of a large text is here to paste into.
    if (isReadOnly() || !source->hasText()) return;
    const QString pasted = source->text();
    const QTextCursor cursor = textCursor();
    const bool replacesAll = cursor.selectionStart() == 0 && cursor.selectionEnd() >= document()->characterCount() - 1;
    QString text = replacesAll ? pasted
                               : currentText().replace(cursor.selectionStart(),
                                                       cursor.selectionEnd() - cursor.selectionStart(), pasted);
    if (!isLarge(text)) {
        if (hasLineLongerThan(pasted, wrappedLineLength)) setLineWrapMode(NoWrap);
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // A large paste (a whole log) goes to the model whole, encoded on a worker thread: megabytes
    // of UTF-8 in fresh memory take tens of milliseconds the window should spend answering. An
    // edit or a new input before it is done makes it stale.
    const std::uint64_t ticket = ++m_pasteTicket;
    m_encoder = std::jthread([this, text = std::move(text), ticket] {
        QMetaObject::invokeMethod(
            this,
            [this, ticket, utf8 = utf8Of(text)]() mutable {
                if (ticket != m_pasteTicket) return;
                m_edited = std::move(utf8);
                emit edited();
            },
            Qt::QueuedConnection);
    });
}

} // namespace orvel
