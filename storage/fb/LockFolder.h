#pragma once

namespace fb {

// The embedded engine keeps its lock files in /tmp/firebird by default, which belongs to the
// first user who ran any Firebird program. Points FIREBIRD_LOCK to a folder of this user unless
// it is set already; call it before the first use of the engine.
void usePerUserLockFolder();

} // namespace fb
