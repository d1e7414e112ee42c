// Files given at once: the tessaly command line, and files dropped on the main dialog.
#include "gui/gui_test_support.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QProcess>

class OpenFilesTest : public MainDialogTest {
protected:
    OpenFilesTest()
    {
        std::mt19937 random(5);
        EXPECT_TRUE(SaveImageFile(UniformImage(40, 30, 1, 2, 3), a, kFormatBmp));
        EXPECT_TRUE(SaveImageFile(UniformImage(40, 30, 4, 5, 6), b, kFormatBmp));
        WriteBytes(m_folder.File("scene.jps"), EncodeJpeg(RandomImage(64, 20, random)));
    }
    // Drags `urls` in and drops them at that fraction of the width, proposing
    // a move (Shift); `between` runs between the two.
    std::tuple<bool, bool, Qt::DropAction> Drop(
        const QList<QUrl>& urls, double xFraction, const std::function<void()>& between = [] {})
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(static_cast<int>(m_pMain->width() * xFraction), m_pMain->height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(m_pMain.get(), &enter);
        between();
        QCoreApplication::sendEvent(m_pMain.get(), &dropped);
        return {enter.isAccepted(), dropped.isAccepted(), dropped.dropAction()};
    }
    std::tuple<std::string, std::string> Pair() const { return {Job().m_pair.LeftPath(), Job().m_pair.RightPath()}; }

    const std::string a = m_folder.File("a.bmp"), b = m_folder.File("b.bmp");
};

// Each image of two is checked on its own, as by the Open buttons; a stereo
// file fills both sides with its views; one image alone the left side. Any
// other set changes nothing and says what opens, in the window and, from the
// command line, on stderr; an option that is neither ours nor Qt's ends the
// program before any window.
TEST_F(OpenFilesTest, TheCommandLineFillsThePairAsTheOpenButtonsDo)
{
    const std::string missing = m_folder.File("missing.bmp"), jps = m_folder.File("scene.jps");
    const std::string left = m_folder.File("scene-left.bmp"), right = m_folder.File("scene-right.bmp");
    const std::tuple<TTexts, std::string, std::string, TTexts> opens[]
        = {{{a, b}, a, b, {}},
           {{missing, a}, "", a, {"Couldn't load bitmap!", "The left image is not in RGB colour mode!"}},
           {{jps}, left, right, {}},
           {{b}, b, right, {}},
           {{a, b, jps}, b, right, {kOpenableFilesMessage}},
           {{a, jps}, b, right, {kOpenableFilesMessage}}};
    for (const auto& [paths, leftPath, rightPath, messages] : opens) {
        m_platform.m_messages.clear();
        m_pMain->OpenFiles(paths);
        EXPECT_EQ(std::tuple(Pair(), m_platform.m_messages), std::tuple(std::tuple(leftPath, rightPath), messages))
            << paths.size() << " files, first " << paths[0];
    }
    const std::tuple<QStringList, int, QString> runs[] // exit code -1: still running
        = {{{"--bogus", "a.bmp"}, 2, "tessaly: unknown option: --bogus\nTry 'tessaly --help'.\n"},
           {{"-platform", "offscreen", "-x"}, 2, "tessaly: unknown option: -x\n"},
           {{"-h"}, 0, "Usage: tessaly [LEFT RIGHT | STEREOFILE]\n"},
           {{"a.bmp", "b.bmp", "--", "-c.bmp"}, -1, QString("tessaly: ") + kOpenableFilesMessage}};
    for (const auto& [args, nExit, text] : runs) {
        QProcess app;
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(QStringLiteral(TESSALY_APP_PATH), args);
        QString output;
        while (!output.contains(text) && app.waitForReadyRead(20000))
            output += app.readAll();
        const bool bEnded = app.state() == QProcess::NotRunning || app.waitForFinished(nExit < 0 ? 500 : 60000);
        output += app.readAll();
        app.kill();
        app.waitForFinished();
        EXPECT_EQ(std::tuple(bEnded ? app.exitCode() : -1, output.contains(text)), std::tuple(nExit, true))
            << args.join(' ').toStdString() << ": " << output.toStdString();
    }
}

// Dropped local files open as files given at once, one image on the half of
// the dialog it is dropped on, as a copy; a drop with anything else is
// refused whole, and so is every drop while a job runs.
TEST_F(OpenFilesTest, DroppedLocalFilesOpenAndOneImageOnTheSideDroppedOn)
{
    const QUrl urlA = QUrl::fromLocalFile(QString::fromStdString(a));
    const QUrl urlB = QUrl::fromLocalFile(QString::fromStdString(b));
    // A job without images waits at its first message until events are processed.
    const auto droppedAsAJobStarts = Drop({urlA}, 0.25, [this] { Click(*m_pMain, IDC_CREATE_LEFT); });
    const auto enteredDuringTheJob = Drop({urlA}, 0.25);
    ASSERT_TRUE(m_pMain->IsJobRunning() && WaitForJob());
    EXPECT_EQ(std::tuple(droppedAsAJobStarts, enteredDuringTheJob, Pair()),
              std::tuple(std::tuple(true, false, Qt::MoveAction), std::tuple(false, false, Qt::MoveAction),
                         std::tuple("", "")));
    const std::tuple<QList<QUrl>, double, bool, std::string, std::string> drops[]
        = {{{urlA}, 0.75, true, "", a},
           {{urlB}, 0.25, true, b, a},
           {{urlA, urlB}, 0.75, true, a, b},
           {{urlB, QUrl("https://example.org/c.bmp")}, 0.25, false, a, b},
           {{}, 0.25, false, a, b}};
    for (const auto& [urls, xFraction, bAccepted, leftPath, rightPath] : drops) {
        const Qt::DropAction action = bAccepted ? Qt::CopyAction : Qt::MoveAction;
        const auto answer = Drop(urls, xFraction);
        QCoreApplication::processEvents();
        EXPECT_EQ(std::tuple(answer, Pair()),
                  std::tuple(std::tuple(bAccepted, bAccepted, action), std::tuple(leftPath, rightPath)))
            << urls.size() << " URLs at " << xFraction;
    }
}
