// The office services' hooks on the program's windows: the progress in the wait window (POPMSG)
// and the finished file opened by the desktop's associated application.
#pragma once

namespace arv {

void installOfficeHooks();

} // namespace arv
