#include "ui/InputEditor.h"

#include <QMimeData>

#include "ui/Style.h"
#include "ui/TextCut.h"

namespace orvel {

namespace {

// `text` as the editor holds it: a line feed wherever a line ends.
QString editorForm(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

bool hasLongLine(const QString& text) {
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf(u'\n', lineStart);
        if (lineEnd < 0) lineEnd = text.size();
        if (lineEnd - lineStart > InputEditor::wrappedLineLength) return true;
        lineStart = lineEnd + 1;
    }
    return false;
}

} // namespace

InputEditor::InputEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("inputEditor"));
    setFont(Style::monospaced(Style::TextStyle::callout));
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing) emit edited(currentText());
    });
}

void InputEditor::showInput(const std::string& input) {
    const QString text = QString::fromStdString(input);
    const bool large = text.size() > largeInputLength;
    setReadOnly(large);
    const QString shown = large ? TextCut::beginning(text, previewLength) : editorForm(text);
    if (shown == currentText()) return;
    setLineWrapMode(hasLongLine(shown) ? NoWrap : WidgetWidth);
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
    if (!source->hasText()) return;
    const QString pasted = source->text();
    if (document()->characterCount() + pasted.size() > largeInputLength) {
        const QTextCursor cursor = textCursor();
        emit edited(
            currentText().replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(), pasted));
        return;
    }
    if (hasLongLine(pasted)) setLineWrapMode(NoWrap);
    QPlainTextEdit::insertFromMimeData(source);
}

} // namespace orvel
