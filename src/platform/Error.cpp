#include "platform/Error.h"

namespace keysound {

Error::Error(int number, QString description)
    : number_(number), description_(std::move(description)), utf8_(description_.toUtf8())
{
}

}  // namespace keysound
