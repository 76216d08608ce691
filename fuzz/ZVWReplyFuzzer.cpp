// Replies of the web service to the token and account calls: the first byte
// picks the status, the rest is the body.
#include "FuzzSupport.h"
#include "ZVWReply.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const int statuses[] = {200, 201, 204, 299, 300, 400, 401, 403, 404, 500, 502, 503};
    HttpReply reply;
    reply.status = statuses[data[0] % (sizeof statuses / sizeof statuses[0])];
    reply.body = Fuzz::bytes(data + 1, size - 1);

    const ZVWReply::Token token = ZVWReply::token(reply);
    Fuzz::require(!token.token || !token.token->isEmpty(), "a token is never empty");
    Fuzz::require(token.kind == ZVWReply::Kind::Dictionary || (!token.token && !token.error),
                  "only a dictionary carries a token or an error");
    Fuzz::require(reply.hasSuccessStatus() || !token.token || token.error,
                  "a failed status gives a token only beside an error");
    Fuzz::require(ZVWReply::mayBeDictionary(reply.body) || !ZVWReply::dictionary(reply.body),
                  "the quick look never passes over an object");
    const qint64 created = ZVWReply::accountCreationResult(reply);
    Fuzz::require(created == -1 || ZVWReply::judge(reply) == ZVWReply::Kind::Dictionary,
                  "an account answer comes from a dictionary");
    return 0;
}
