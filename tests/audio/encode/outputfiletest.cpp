// Nothing of the file being written is left in the folder when the writer is
// dropped or its process killed part-way, with unnamed files and with the
// hidden file that file systems without them get.

#include "audio/encode/outputfile.h"
#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "support/qtprinters.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include <sys/stat.h>

namespace {

// The child mode: the test program started again with the target named here
// writes a tone into it until it is killed.
constexpr char kTargetVariable[] = "VANTOREL_KILLED_JOIN_TARGET";
constexpr char kHiddenVariable[] = "VANTOREL_KILLED_JOIN_HIDDEN";
constexpr char kWritingLine[] = "writing";
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBlockFrames = kRate / 10;
// Past the muxer's buffer, so the file on the disk is growing.
constexpr int kBlocksBeforeWritingLine = 20;
constexpr int kPauseMs = 10;
constexpr int kChildStartMs = 60000;

// Turns unnamed files off for one scope, as on a file system without them.
class HiddenFileOnly {
public:
    explicit HiddenFileOnly(bool hidden = true) { OutputFile::setUnnamedFilesAllowed(!hidden); }
    ~HiddenFileOnly() { OutputFile::setUnnamedFilesAllowed(true); }
    HiddenFileOnly(const HiddenFileOnly &) = delete;
    HiddenFileOnly &operator=(const HiddenFileOnly &) = delete;
};

class OutputFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_target = m_dir.filePath(QStringLiteral("joined.wav"));
        for (const QString &name : {m_target, m_dir.filePath(QStringLiteral("notes.txt"))}) {
            QFile file(name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("the old join");
        }
        m_other = m_dir.filePath(QStringLiteral("other.wav"));
        m_before = listing();
    }

    void TearDown() override
    {
        if (m_child.state() != QProcess::NotRunning)
            killChild();
    }

    // Starts the child writing into the target and waits until it has written some.
    void startChild(bool hidden)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kTargetVariable), m_target);
        if (hidden)
            environment.insert(QLatin1String(kHiddenVariable), QStringLiteral("1"));
        m_child.setProcessEnvironment(environment);
        m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_child.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--gtest_filter=KilledJoinChild.*")});
        bool writing = false;
        while (!writing && m_child.waitForReadyRead(kChildStartMs)) {
            while (m_child.canReadLine())
                writing = writing || m_child.readLine().trimmed() == kWritingLine;
        }
        ASSERT_TRUE(writing) << "the child never wrote";
    }

    // Every regular file of the folder but the other join's, hidden ones
    // included: name, size and content hash; links by what they name. (Opening
    // a FIFO would block.)
    QStringList listing() const
    {
        QStringList lines;
        const QFileInfoList files = QDir(m_dir.path()).entryInfoList(QDir::Files | QDir::Hidden);
        for (const QFileInfo &info : files) {
            if (info.isSymLink()) {
                lines << info.fileName() + QLatin1String(" -> ") + info.symLinkTarget();
                continue;
            }
            QFile file(info.filePath());
            if (info.filePath() == m_other || !file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray hash =
                QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
            lines << info.fileName() + QLatin1Char(' ') + QString::number(info.size())
                         + QLatin1Char(' ') + QString::fromLatin1(hash.toHex());
        }
        return lines;
    }

    void killChild()
    {
        m_child.kill();  // SIGKILL: no destructor runs
        m_child.waitForFinished();
    }

    QTemporaryDir m_dir;
    QString m_target;
    QString m_other;  // another join into the same folder
    QStringList m_before;
    QProcess m_child;
};

TEST_F(OutputFileTest, DroppedWriterRemovesItsHiddenFile)
{
    const HiddenFileOnly mode;
    {
        AudioFile writer;
        writer.setWavFormat(kRate, kChannels, 16);
        writer.setInputFormat(kRate, kChannels);
        writer.createFile(m_target);
        writer.writeSamples(Tones::samples(kRate, kChannels, 0, kRate));
        EXPECT_EQ(listing().size(), m_before.size() + 1);
    }
    EXPECT_EQ(listing(), m_before);
}

// A killed join leaves the target as it was. With unnamed files nothing else
// is left; without, only its hidden file, named as ours. No later join removes
// a file by its name: a user's own hidden ".part" file stays, and so does ours.
TEST_F(OutputFileTest, KilledJoinLeavesTheTargetAndLaterJoinsRemoveNothing)
{
    QFile usersOwn(m_dir.filePath(QStringLiteral(".mybook.deadbeef.part")));
    ASSERT_TRUE(usersOwn.open(QIODevice::WriteOnly));
    usersOwn.close();
    m_before = listing();
    for (const bool hidden : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(startChild(hidden));
        killChild();
        Tones::write(m_other, ToneFormat::Wav16, kRate, 1, 0.1);
        const QStringList left = listing();
        for (const QString &file : m_before)
            EXPECT_TRUE(left.contains(file)) << qPrintable(file);
        const QStringList added =
            left.filter(QRegularExpression(QStringLiteral("^\\.vantorel-joined\\.wav\\."
                                                          "[0-9a-f]{8}\\.part ")));
        EXPECT_EQ(added.size(), hidden ? 1 : 0) << hidden;
        EXPECT_EQ(left.size(), m_before.size() + added.size()) << hidden;
        m_before = left;
    }
}

// An existing target that is no regular file is refused before anything is
// written, with or without a link before it; a link to a file is written through.
TEST_F(OutputFileTest, OnlyRegularFilesAreReplaced)
{
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.wav"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = m_dir.filePath(QStringLiteral("folder.wav"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const auto link = [&](const QString &name, const QString &to) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(QFile::link(to, path));
        return path;
    };
    const QString loop = link(QStringLiteral("loop.wav"), m_dir.filePath(QStringLiteral("back")));
    link(QStringLiteral("back"), loop);
    const QStringList refused = {fifo, folder, loop, link(QStringLiteral("tofifo.wav"), fifo)};
    m_before = listing();
    for (const QString &target : refused) {
        AudioFile writer;
        writer.setWavFormat(kRate, kChannels, 16);
        writer.setInputFormat(kRate, kChannels);
        try {
            writer.createFile(target);
            writer.writeSamples(Tones::samples(kRate, kChannels, 0, kRate / 10));
            writer.closeFile();
            ADD_FAILURE() << "written: " << qPrintable(target);
        } catch (const AudioError &error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).contains(target)) << error.what();
        }
        EXPECT_EQ(listing(), m_before);
        EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo(folder).isDir());
    }

    const QString toTarget = link(QStringLiteral("shortcut.wav"), m_target);
    AudioFile writer;
    writer.setWavFormat(kRate, kChannels, 16);
    writer.setInputFormat(kRate, kChannels);
    writer.createFile(toTarget);
    writer.writeSamples(Tones::samples(kRate, kChannels, 0, kRate / 10));
    writer.closeFile();
    EXPECT_TRUE(QFileInfo(toTarget).isSymLink());
    EXPECT_GT(QFileInfo(m_target).size(), kRate / 10);
}

// The child of the case above; skipped when run on its own.
TEST(KilledJoinChild, WritesUntilKilled)
{
    const QString target = qEnvironmentVariable(kTargetVariable);
    if (target.isEmpty())
        GTEST_SKIP() << "started by the killed-join cases only";
    const HiddenFileOnly mode(qEnvironmentVariableIsSet(kHiddenVariable));
    AudioFile writer;
    writer.setWavFormat(kRate, kChannels, 16);
    writer.setInputFormat(kRate, kChannels);
    writer.createFile(target);
    for (qint64 block = 0;; ++block) {
        writer.writeSamples(Tones::samples(kRate, kChannels, block * kBlockFrames, kBlockFrames));
        if (block == kBlocksBeforeWritingLine) {
            std::printf("%s\n", kWritingLine);
            std::fflush(stdout);
        }
        QThread::msleep(kPauseMs);
    }
}

}  // namespace
