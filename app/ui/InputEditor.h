#pragma once

#include <QPlainTextEdit>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

namespace orvel {

/// The multi-line editor of the text being decoded. A large text is shown only in part, read
/// only, because laying out megabytes of long lines would hold the window for many seconds.
class InputEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    /// Texts longer than this many bytes are shown only in part. Measured with the system fixed
    /// font on this editor: a single line of 1 Mi characters takes about 0.9 s to show and 0.1 s
    /// per keystroke, 2 Mi take 2.6 s, 20 Mi over 20 s.
    static constexpr std::size_t largeInputBytes = std::size_t{1} << 20;
    /// So are texts with a line longer than this many bytes: every keystroke lays out the whole
    /// line again, about 0.1 µs a character.
    static constexpr std::size_t longLineBytes = 256 * 1024;
    /// How much of a large text is shown, in bytes.
    static constexpr std::size_t previewBytes = 64 * 1024;
    /// Lines longer than this many characters turn wrapping off. Breaking a paragraph into lines
    /// grows faster than its length: 20 MB in lines of 10,000 characters show in 0.1 s wrapped,
    /// in lines of 100,000 in 4 s (1 s unwrapped), in lines of 1,000,000 in over two minutes.
    static constexpr qsizetype wrappedLineLength = 10'000;

    explicit InputEditor(QWidget* parent = nullptr);

    /// Shows `input`, unless it already shows: whole and editable, or, when large, its beginning
    /// read only. Leaves the cursor alone when nothing changes.
    void showInput(const std::string& input);
    /// Whether it shows only the beginning of a large text.
    bool isShowingPreview() const { return isReadOnly(); }
    /// The text as the user sees it, paragraphs separated by line feeds.
    QString currentText() const;
    /// The text of the last edit, as UTF-8, handed over once.
    std::string takeEditedText() { return std::move(m_edited); }

signals:
    /// The user changed the text: takeEditedText() has it.
    void edited();

protected:
    /// A paste that would make the text large goes to the model whole, once encoded off the main
    /// thread, instead of into the editor.
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool m_showing = false;
    // The text the editor stands for, as UTF-8: what it was last given or last sent; nothing for a
    // large text. A model update that brings it back is not shown again, so typing never
    // re-reads the document.
    std::optional<std::string> m_represented = std::string();
    std::string m_edited;
    std::uint64_t m_pasteTicket = 0;
    // Declared last: joined before the fields its result is delivered to go away.
    std::jthread m_encoder;
};

} // namespace orvel
