#pragma once

// Permissions stop an ordinary user, not root, which CI runs as: tests of
// what a user cannot read do their work as one.

#include <QByteArray>

#include <functional>
#include <optional>
#include <sys/types.h>

namespace lorvane::test {

// The user that tests are run as where permissions must hold: the tester,
// or nobody when the tester is root.
uid_t OrdinaryUser();

// The bytes that `work` gives, worked out in a child process that runs as
// OrdinaryUser(), without supplementary groups; none when the child could
// not become that user or ended otherwise. The files that `work` uses must
// be reachable by that user.
std::optional<QByteArray> AsOrdinaryUser(const std::function<QByteArray()> &work);

} // namespace lorvane::test
