// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/ServerProject.h"

// The account for a project on a server: Firebird's own ISC_USER and ISC_PASSWORD, or what
// the user types on the terminal (the password without echo). Raises CtlError when neither is
// at hand. Asked once per run.
ServerAccount serverLogin();
