// severity.h -- how much a diagnostic weighs.
#ifndef FORMIX_TOOLKIT_SEVERITY_H
#define FORMIX_TOOLKIT_SEVERITY_H

namespace formix::toolkit {

// note: the number is right; warning: perhaps not the number meant;
// error: no number.  The values of formix.h's enum formix_severity.
enum Severity { kNote = 0, kWarning = 1, kError = 2 };

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_SEVERITY_H
