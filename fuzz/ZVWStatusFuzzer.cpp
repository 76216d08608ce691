// Replies of the web service to a share or delegation answer: the first byte
// picks the status (or a transport failure), the rest is the body.
#include "FuzzSupport.h"
#include "ZVWSync.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const int statuses[] = {0, 200, 202, 299, 300, 403, 500};
    HttpReply reply;
    reply.status = statuses[data[0] % (sizeof statuses / sizeof statuses[0])];
    if (reply.status == 0) reply.failure = HttpFailure::CannotConnect;
    reply.body = Fuzz::bytes(data + 1, size - 1);

    const ZVWSync::StatusAnswer answer = ZVWSync::statusAnswer(reply);
    const bool reached = !reply.transportFailed() && (reply.hasSuccessStatus() || answer.kind == ZVWSync::StatusAnswer::Refused);
    Fuzz::require(answer.kind != ZVWSync::StatusAnswer::NotReached || !reached, "a reached answer is judged");
    Fuzz::require(answer.kind != ZVWSync::StatusAnswer::Accepted || reply.hasSuccessStatus(), "only a success accepts");
    Fuzz::require(answer.taskRole == 0 || answer.taskRole == 1 || answer.taskRole == 2 || answer.taskRole == 4,
                  "a task role of the table");
    Fuzz::require(answer.kind == ZVWSync::StatusAnswer::Accepted || answer.taskRole == 0, "only an accepted answer has a role");
    return 0;
}
