// The name of the machine the program runs on, for telling local file: URIs from remote
// ones.
#pragma once

#include <string>

// This machine's host name; "" when the system does not say.
std::string HostName();
