#include "ui/TextCut.h"

namespace orvel::TextCut {

QString beginning(const QString& text, qsizetype length) {
    if (length < text.size() && text.at(length).isLowSurrogate()) --length;
    return text.left(length);
}

QString ending(const QString& text, qsizetype length) {
    if (length < text.size() && text.at(text.size() - length).isLowSurrogate()) --length;
    return text.right(length);
}

} // namespace orvel::TextCut
