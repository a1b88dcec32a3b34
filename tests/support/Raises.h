#pragma once
// One check for "this action raises E with this message", for every suite:
//   EXPECT_TRUE(Raises<EReadError>([&] { reader.Read(); }, "Line 3: bad value"));
//   EXPECT_TRUE(Raises<EGLContext>([&] { ... }, testing::HasSubstr("not created")));
// The message is matched exactly when given as text, or by any GoogleMock string matcher.
// Include it before the class library's headers: their Assert macro clashes with GoogleMock.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exception>
#include <sstream>
#include <string>
#include <type_traits>
#include <typeinfo>

template <class E, class Action, class MessageMatcher>
testing::AssertionResult Raises(Action&& action, const MessageMatcher& message) {
  const testing::Matcher<const std::string&> matcher = [&] {
    if constexpr (std::is_convertible_v<MessageMatcher, std::string>)
      return testing::Matcher<const std::string&>(testing::Eq(std::string(message)));
    else
      return testing::Matcher<const std::string&>(message);
  }();
  try {
    action();
  } catch (const E& e) {
    const std::string text = [&] {
      if constexpr (requires { e.Message(); })
        return std::string(e.Message());
      else
        return std::string(e.what());
    }();
    if (matcher.Matches(text)) return testing::AssertionSuccess();
    std::string expected;
    {
      std::ostringstream out;
      matcher.DescribeTo(&out);
      expected = out.str();
    }
    return testing::AssertionFailure() << typeid(E).name() << " raised with \"" << text
                                       << "\", expected a message that " << expected;
  } catch (const std::exception& e) {
    return testing::AssertionFailure()
           << "raised " << typeid(e).name() << " (\"" << e.what() << "\") instead of "
           << typeid(E).name();
  }
  return testing::AssertionFailure() << "nothing raised, expected " << typeid(E).name();
}
