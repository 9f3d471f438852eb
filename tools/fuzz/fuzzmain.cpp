// dirquill-fuzz: a small mutation fuzzer for the readers and the extractor, run under the
// sanitizer build. It starts from a seed folder, mutates inputs at random, keeps inputs that give
// a new outcome, and on a crash, sanitizer report, broken invariant or hang writes the input that
// caused it into the crash folder before the process ends.
//
//   dirquill-fuzz TARGET SECONDS SEEDS CRASHES [RANDOM-SEED]
//   dirquill-fuzz TARGET --run FILE...      (replays inputs, e.g. a crash, once each)

#include "fuzztargets.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/common_interface_defs.h>
#define DQ_HAVE_SANITIZER_CALLBACK 1
#endif

namespace {

constexpr int kMaxInput = 64 * 1024;
constexpr int kMaxPool = 4096;
constexpr unsigned kHangSeconds = 20;

// The input being run, kept where a dying process can still write it out.
QByteArray g_current;
char g_crashPath[4096] = {};

void writeCurrent()
{
    if (!g_crashPath[0])
        return;
    const int fd = ::open(g_crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    qsizetype done = 0;
    while (done < g_current.size()) {
        const ssize_t n = ::write(fd, g_current.constData() + done, size_t(g_current.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    const char note[] = "dirquill-fuzz: the input is kept in ";
    [[maybe_unused]] ssize_t ignored = ::write(2, note, sizeof note - 1);
    ignored = ::write(2, g_crashPath, std::strlen(g_crashPath));
    ignored = ::write(2, "\n", 1);
}

extern "C" void onFatalSignal(int signal)
{
    writeCurrent();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void onHang(int)
{
    const char note[] = "dirquill-fuzz: an input ran longer than the hang limit\n";
    [[maybe_unused]] const ssize_t ignored = ::write(2, note, sizeof note - 1);
    writeCurrent();
    ::_exit(3);
}

class Mutator
{
public:
    Mutator(const QByteArrayList &tokens, quint64 seed)
        : m_tokens(tokens)
        , m_random(seed)
    {
    }

    QByteArray mutate(QByteArray in, const QByteArrayList &pool)
    {
        const int steps = 1 + int(below(8));
        for (int i = 0; i < steps; ++i)
            step(in, pool);
        if (in.size() > kMaxInput)
            in.truncate(kMaxInput);
        return in;
    }
    quint64 below(quint64 n) { return n ? m_random() % n : 0; }

private:
    void step(QByteArray &in, const QByteArrayList &pool)
    {
        const qsizetype at = qsizetype(below(quint64(in.size()) + 1));
        switch (below(9)) {
        case 0: // flip a bit
            if (!in.isEmpty())
                in[at % in.size()] = char(in[at % in.size()] ^ (1 << below(8)));
            break;
        case 1: // any byte
            if (!in.isEmpty())
                in[at % in.size()] = char(below(256));
            break;
        case 2: // a few random bytes
            for (quint64 n = 1 + below(4); n > 0; --n)
                in.insert(at, char(below(256)));
            break;
        case 3: // cut a piece out
            in.remove(at, qsizetype(below(16)) + 1);
            break;
        case 4: { // repeat a piece, sometimes many times
            const qsizetype len = qMin(in.size() - at, qsizetype(below(64)) + 1);
            if (len > 0) {
                const QByteArray piece = in.mid(at, len);
                in.insert(at, piece.repeated(below(4) == 0 ? int(below(200)) + 1 : 1));
            }
            break;
        }
        case 5:
        case 6: // a piece of the format
            if (!m_tokens.isEmpty())
                in.insert(at, m_tokens.at(qsizetype(below(quint64(m_tokens.size())))));
            break;
        case 7: { // the start of this input with the end of another
            const QByteArray &other = pool.at(qsizetype(below(quint64(pool.size()))));
            in = in.left(at) + other.mid(qsizetype(below(quint64(other.size()) + 1)));
            break;
        }
        default: // cut the end off
            in.truncate(at);
            break;
        }
    }

    QByteArrayList m_tokens;
    std::mt19937_64 m_random;
};

QByteArrayList readFolder(const QString &folder)
{
    QByteArrayList out;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
        QFile f(info.filePath());
        if (f.open(QIODevice::ReadOnly))
            out << f.read(kMaxInput);
    }
    return out;
}

int usage()
{
    std::fprintf(stderr,
        "Usage: dirquill-fuzz TARGET SECONDS SEEDS CRASHES [RANDOM-SEED]\n"
        "       dirquill-fuzz TARGET --run FILE...\n"
        "Targets: native, delimited, keyfile, extractor\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const std::vector<dq::fuzz::Target> all = dq::fuzz::targets(QStringLiteral(DQ_SOURCE_DIR "/tests/data/sites"));
    const auto target = std::find_if(all.begin(), all.end(), [&](const auto &t) { return t.name == args.at(0); });
    if (target == all.end())
        return usage();

    if (args.at(1) == QLatin1String("--run")) {
        for (const QString &path : args.mid(2)) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                return usage();
            const QByteArray result = target->run(f.readAll());
            std::printf("%s: %s\n", qPrintable(path), result.constData());
        }
        return 0;
    }
    if (args.size() < 4)
        return usage();
    bool ok = false;
    const double seconds = args.at(1).toDouble(&ok);
    if (!ok || seconds <= 0)
        return usage();
    QByteArrayList pool = readFolder(args.at(2));
    if (pool.isEmpty())
        pool << QByteArray();
    const QString crashes = args.at(3);
    QDir().mkpath(crashes);
    const quint64 seed = args.size() > 4 ? args.at(4).toULongLong() : quint64(QDateTime::currentMSecsSinceEpoch());

    // Under the sanitizers their own handlers report faults and call writeCurrent; a broken
    // invariant aborts, which they leave alone.
#ifdef DQ_HAVE_SANITIZER_CALLBACK
    __sanitizer_set_death_callback(writeCurrent);
#else
    for (int s : { SIGSEGV, SIGBUS, SIGFPE, SIGILL })
        std::signal(s, onFatalSignal);
#endif
    std::signal(SIGABRT, onFatalSignal);
    std::signal(SIGALRM, onHang);

    Mutator mutator(target->tokens, seed);
    QSet<QByteArray> outcomes;
    qint64 executions = 0;
    QElapsedTimer clock;
    clock.start();
    // Seeds run first, unchanged.
    for (qsizetype i = 0; i < pool.size() || clock.elapsed() < seconds * 1000; ++i) {
        const bool fromSeed = i < pool.size();
        g_current
            = fromSeed ? pool.at(i) : mutator.mutate(pool.at(qsizetype(mutator.below(quint64(pool.size())))), pool);
        const QByteArray name = QCryptographicHash::hash(g_current, QCryptographicHash::Sha1).toHex().left(16);
        std::snprintf(g_crashPath, sizeof g_crashPath, "%s/%s-%s", qPrintable(crashes), qPrintable(target->name),
            name.constData());
        ::alarm(kHangSeconds);
        const QByteArray result = target->run(g_current);
        ::alarm(0);
        ++executions;
        if (!outcomes.contains(result)) {
            outcomes.insert(result);
            if (!fromSeed && pool.size() < kMaxPool)
                pool << g_current;
        }
    }
    std::printf("%s: %lld executions in %.0f s, %lld outcomes, %lld inputs in the pool, no crash (random seed %llu)\n",
        qPrintable(target->name), executions, clock.elapsed() / 1000.0, qint64(outcomes.size()), qint64(pool.size()),
        static_cast<unsigned long long>(seed));
    return 0;
}
