#include "storage/StorageTexts.h"

#include <firebird/Interface.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace StorageTexts {

QString systemReason(int osError)
{
    switch (osError) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return NoSpace;
    case EACCES:
    case EPERM:
    case EROFS:
        return NoPermission;
    case ENOENT:
    case ENOTDIR:
        return Missing;
    case EISDIR:
        return NotAProject;
    case EBUSY:
    case ETXTBSY:
        return InUse;
    case EIO:
    case EFBIG:
        return InputOutput;
    case EMFILE:
    case ENFILE:
        return TooManyOpenFiles;
    case ENOMEM:
        return OutOfMemory;
    default:
        return QString();
    }
}

namespace {

// A server sends its system error as the C library's text, not as a number; it runs in
// the C locale, whatever the locale of this program.
int remoteSystemError(const char* text)
{
    static const std::pair<const char*, int> known[] = {
        {"No such file or directory", ENOENT},
        {"Permission denied", EACCES},
        {"No space left on device", ENOSPC},
    };
    if (!text)
        return 0;
    for (const auto& [message, error] : known)
        if (std::strcmp(text, message) == 0)
            return error;
    return 0;
}

} // namespace

QString engineReason(const intptr_t* status)
{
    std::vector<intptr_t> codes;
    int osError = 0;
    for (const intptr_t* item = status; item && *item != isc_arg_end;) {
        const intptr_t kind = item[0];
        if (kind == isc_arg_gds)
            codes.push_back(item[1]);
        else if (kind == isc_arg_unix)
            osError = static_cast<int>(item[1]);
        else if (kind == isc_arg_interpreted && osError == 0)
            osError = remoteSystemError(reinterpret_cast<const char*>(item[1]));
        item += kind == isc_arg_cstring ? 3 : 2;
    }
    auto has = [&codes](std::initializer_list<intptr_t> wanted) {
        for (intptr_t code : codes)
            for (intptr_t w : wanted)
                if (code == w)
                    return true;
        return false;
    };
    // Only a server answers these; they come before its network and file errors.
    if (has({isc_login}))
        return WrongLogin;
    if (has({isc_wirecrypt_incompatible, isc_miss_wirecrypt, isc_wirecrypt_key,
             isc_wirecrypt_plugin}))
        return NoEncryption;
    if (const QString reason = systemReason(osError); !reason.isEmpty())
        return reason;
    if (has({isc_already_opened, isc_lock_conflict, isc_file_in_use, isc_lock_timeout,
             isc_obj_in_use}))
        return InUse;
    if (has({isc_att_shutdown, isc_shutdown, isc_shutinprog, isc_network_error, isc_net_read_err,
             isc_net_write_err, isc_lost_db_connection, isc_conn_lost}))
        return ConnectionLost;
    if (has({isc_read_only_database, isc_no_priv, isc_conf_access_denied}))
        return NoPermission;
    if (has({isc_bad_db_format, isc_wrong_ods, isc_badodsver}))
        return NotAProject;
    if (has({isc_db_corrupt, isc_badpage, isc_bad_checksum, isc_page_type_err, isc_bug_check}))
        return Damaged;
    if (has({isc_io_error})) {
        // A read that finds less than the header promises: a cut-off file.
        if (has({isc_random}) && osError == 0)
            return Damaged;
        return InputOutput;
    }
    return EngineFailed;
}

QString serverReason(const QString& reason)
{
    if (reason == NoPermission)
        return NoProjectRights;
    if (reason == ConnectionLost)
        return ServerUnreachable;
    return reason;
}

} // namespace StorageTexts
