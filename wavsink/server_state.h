// Object and lock counts of the wavsink server, read by DllCanUnloadNow.
#pragma once

namespace wavsink {

void ObjectCreated();
void ObjectDestroyed();
void LockServer(bool lock);
bool ServerInUse();

}  // namespace wavsink
