#include "storage/fb/Status.h"

#include "storage/StorageTexts.h"

namespace fb {

Firebird::IMaster* master()
{
    static Firebird::IMaster* const master = Firebird::fb_get_master_interface();
    return master;
}

Status::Status() : m_status(master()->getStatus()), m_wrapper(m_status) {}

Status::~Status()
{
    m_status->dispose();
}

bool Status::failed() const
{
    return (m_wrapper.getState() & Firebird::IStatus::STATE_ERRORS) != 0;
}

void Status::check()
{
    if (!failed())
        return;
    char text[2048];
    master()->getUtilInterface()->formatStatus(text, sizeof text, &m_wrapper);
    const intptr_t* errors = m_wrapper.getErrors();
    const intptr_t code = errors[0] == isc_arg_gds ? errors[1] : 0;
    const QString reason = StorageTexts::engineReason(errors);
    m_wrapper.init();
    throw FbError(reason, text, code);
}

} // namespace fb
