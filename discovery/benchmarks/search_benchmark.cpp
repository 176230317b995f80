// Times the search for a project's source files against four runs of
// `find DIR -type f` over the same generated tree.

#include "core/filename.h"
#include "discovery/search.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTopFolders = 50;
constexpr int kFoldersPerTop = 99; // 50 + 50 * 99 = 5,000 folders
constexpr int kFilesPerFolder = 19; // 5,000 * 19 + 5,000 folders = 100,000 entries
constexpr int kRounds = 5;
constexpr std::array kExtensions{"pas", "sql", "dpr", "dpk", "dfm", "txt", "res", "bak"};

bool makeFolderWithFiles(const QByteArray &path, int &fileNumber)
{
    if (::mkdir(path.constData(), 0755) != 0)
        return false;
    for (int i = 0; i < kFilesPerFolder; ++i, ++fileNumber) {
        const QByteArray file = path + "/unit" + QByteArray::number(fileNumber) + '.'
                                + kExtensions[fileNumber % kExtensions.size()];
        const int fd = ::open(file.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

bool makeTree(const QByteArray &root)
{
    int fileNumber = 0;
    for (int top = 0; top < kTopFolders; ++top) {
        const QByteArray topPath = root + "/module" + QByteArray::number(top);
        if (!makeFolderWithFiles(topPath, fileNumber))
            return false;
        for (int sub = 0; sub < kFoldersPerTop; ++sub)
            if (!makeFolderWithFiles(topPath + "/part" + QByteArray::number(sub), fileNumber))
                return false;
    }
    return true;
}

double milliseconds(const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> figures)
{
    std::sort(figures.begin(), figures.end());
    return figures[figures.size() / 2];
}

struct Figures
{
    double walks;
    double find;
    qsizetype files;
};

// Alternates the two so that both meet the same cache state; the first
// round only warms the cache.
Figures measure(const QString &folder, const QByteArray &findCommand)
{
    std::vector<double> walks;
    std::vector<double> finds;
    qsizetype files = 0;
    for (int round = 0; round <= kRounds; ++round) {
        const double walk = milliseconds([&] { files = lorvane::FindSourceFiles(folder).size(); });
        const double find = milliseconds([&] {
            for (int i = 0; i < 4; ++i)
                if (std::system(findCommand.constData()) != 0)
                    std::fprintf(stderr, "find failed\n");
        });
        if (round > 0) {
            walks.push_back(walk);
            finds.push_back(find);
        }
    }
    return {median(walks), median(finds), files};
}

void print(const char *setting, const Figures &figures)
{
    std::printf("%-28s FindSourceFiles %8.1f ms   4 x find %8.1f ms   ratio %.2f   (%lld files)\n",
                setting, figures.walks, figures.find, figures.walks / figures.find,
                static_cast<long long>(figures.files));
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir dir;
    const QByteArray root = lorvane::FileNameToBytes(dir.path());
    if (!dir.isValid() || !makeTree(root)) {
        std::fprintf(stderr, "cannot build the tree in %s\n", root.constData());
        return 1;
    }
    std::printf("tree: %d folders, %d entries, median of %d rounds\n",
                kTopFolders * (1 + kFoldersPerTop),
                kTopFolders * (1 + kFoldersPerTop) * (1 + kFilesPerFolder), kRounds);
    const QByteArray findCommand = "find '" + root + "' -type f > /dev/null";
    print("without event loop:", measure(dir.path(), findCommand));

    QCoreApplication app(argc, argv);
    print("with QCoreApplication:", measure(dir.path(), findCommand));
    return 0;
}
