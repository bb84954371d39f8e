#include "testutil.h"
#include "filelimit.h"

#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testutil {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

int runWithFileSizeLimit(qint64 limitBytes, const std::function<int()> &body)
{
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = rlim_t(limitBytes);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(99);
        int result = 98;
        try {
            result = body();
        } catch (...) {
            result = 97;
        }
        _exit(result);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFSIGNALED(status))
        return 100 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testutil
