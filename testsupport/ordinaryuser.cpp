#include "testsupport/ordinaryuser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lorvane::test {

namespace {

constexpr uid_t kNobody = 65534;

} // namespace

uid_t OrdinaryUser()
{
    return ::geteuid() == 0 ? kNobody : ::geteuid();
}

std::optional<QByteArray> AsOrdinaryUser(const std::function<QByteArray()> &work)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::close(channel[0]);
        const uid_t user = OrdinaryUser();
        if (user != ::geteuid()
            && (::setgroups(0, nullptr) != 0 || ::setresgid(user, user, user) != 0
                || ::setresuid(user, user, user) != 0))
            ::_exit(3);
        const QByteArray result = work();
        for (qsizetype sent = 0; sent < result.size();) {
            const ssize_t wrote = ::write(channel[1], result.constData() + sent, size_t(result.size() - sent));
            if (wrote <= 0)
                ::_exit(4);
            sent += wrote;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

} // namespace lorvane::test
