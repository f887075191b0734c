#include "selftest/IdentityCheck.h"

#include "text/TextConversions.h"

namespace tqv::selftest {

CheckResult checkIdentity(session::CardSession& session) {
    CheckResult result;
    result.name = "identity";
    const auto answer = session.identify(session::CardSession::Exchange::Checked);
    if (answer.status == 0) {
        result.outcome = Outcome::Fail;
        result.summary = "IOCtl failed, error code " + text::plainDecimal(answer.errorCode);
        return result;
    }
    if (!answer.answered) {
        result.outcome = Outcome::Fail;
        result.summary = "IOCtl returned " + text::plainDecimal(answer.status) +
                         " but left the identity bytes of the reply untouched";
        return result;
    }
    result.outcome = Outcome::Pass;
    result.summary = answer.line;
    return result;
}

}  // namespace tqv::selftest
