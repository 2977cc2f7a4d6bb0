// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/errors.h"
#include "core/exchange.h"

#include <gtest/gtest.h>

#include <string>

using namespace kt90;

namespace {

struct ErrorCase {
    const char* name;
    ExchangeState state;
    std::string text;
};

class ExchangeError : public ::testing::TestWithParam<ErrorCase> {};

// The texts are the operator's; a time-out must stay a time-out, the
// connection routine tells it apart by its type.
TEST_P(ExchangeError, RaisesTheStatesError)
{
    const ErrorCase& c = GetParam();
    try {
        ThrowExchangeError(c.state);
    } catch (const ETimeoutException& e) {
        EXPECT_EQ(c.state, ExchangeTimedOut);
        EXPECT_EQ(e.what(), c.text);
        return;
    } catch (const EInvalidDataReceivedException& e) {
        EXPECT_TRUE(c.state == ExchangeInvalid || c.state == ExchangeBusy);
        EXPECT_EQ(e.what(), c.text);
        return;
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), c.text);
        return;
    }
    ADD_FAILURE() << "nothing raised";
}

INSTANTIATE_TEST_SUITE_P(
    States, ExchangeError,
    ::testing::Values(ErrorCase{"timedOut", ExchangeTimedOut, "Timeout"},
                      ErrorCase{"invalid", ExchangeInvalid, "No/invalid data received"},
                      ErrorCase{"stillBusy", ExchangeBusy, "No/invalid data received"},
                      ErrorCase{"noReply", ExchangeReplied,
                                "Command send error. Check settings and connections."}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
