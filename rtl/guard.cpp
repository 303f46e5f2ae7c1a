// Exception guard: the program's own errors show their message, anything else a generic one.
#include "rtl/guard.h"

#include "rtl/dialogs.h"
#include "rtl/exception.h"

#include <new>

namespace rtl {

void guard(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EAbort &) {
    } catch (const Exception &e) {
        dialogs::exceptionBox(e.message());
    } catch (const std::bad_alloc &) {
        dialogs::exceptionBox(QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        dialogs::exceptionBox(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace rtl
