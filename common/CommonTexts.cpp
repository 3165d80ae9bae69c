#include "common/CommonTexts.h"

namespace CommonTexts {

QString errorSentence(const QString& text)
{
    return text.endsWith(u'.') ? text : text + u'.';
}

} // namespace CommonTexts
