#include "AccessError.h"

using namespace Qt::StringLiterals;

namespace AccessError {

Failure make(Code code, const QString &description)
{
    return {code, u"Access"_s, description, {}, 0};
}

} // namespace AccessError
