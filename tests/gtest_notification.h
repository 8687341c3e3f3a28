#pragma once
// GoogleTest's Notification, declared ahead of GoogleTest's headers (GTEST_HAS_NOTIFICATION_ tells
// them it is there). The toolchain's win32 threading model has no std::mutex or
// std::condition_variable, which GoogleTest's own Notification is built on; GoogleTest's headers
// need only its name, and its sources get the definition in gtest_win32_notification.h.

namespace testing::internal {
class Notification;
}  // namespace testing::internal
