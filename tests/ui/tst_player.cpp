// Play in the importer window, heard through a real PulseAudio server with a null sink that
// the test starts and records: what plays is what the conversion writes (a sweep with noise,
// cross-correlated with the converted samples), Alt+P playing and stopping, a selection played
// alone, a click in the waveform, the stream as the server lists it (Orvex's, named after the
// file), and the start latency (printed). Run with ORVEX_TEST_NO_SOUND set, it checks instead that
// without a sound server Play is greyed and says why. Skipped where pulseaudio is missing.
#include "fixtures.h"
#include "importer_dialog.h"
#include "modal_seam.h"
#include "qt_test_support.h"
#include "resource_ids.h"
#include "waveform_view.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QWheelEvent>

#include <cmath>
#include <filesystem>

using namespace fixtures;

class TestPlayer : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempDir> m_dir;
    QProcess m_server, m_recorder;

private slots:
    void initTestCase()
    {
        m_dir = std::make_unique<TempDir>();
        std::filesystem::create_directories(m_dir->path("rt"));
        std::filesystem::create_directories(m_dir->path("home"));
        qputenv("XDG_RUNTIME_DIR", m_dir->path("rt").c_str()); // ours, for server and client
        qputenv("HOME", m_dir->path("home").c_str());
        if (qEnvironmentVariableIsSet("ORVEX_TEST_NO_SOUND")) {
            // No server there, and none started on demand either.
            qputenv("PULSE_SERVER", ("unix:" + m_dir->path("rt/none")).c_str());
            return;
        }
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty())
            QSKIP("pulseaudio is not installed");
        m_server.start("pulseaudio",
                       {"--daemonize=no", "--exit-idle-time=-1", "-n", "--disable-shm=yes",
                        "--load=module-null-sink sink_name=test norewinds=1 rate=48000 channels=2",
                        "--load=module-native-protocol-unix auth-anonymous=1"});
        QVERIFY(QTest::qWaitFor(
                [] {
                    QProcess info;
                    info.start("pactl", {"info"});
                    return info.waitForFinished() && info.exitCode() == 0;
                },
                10000));
    }
    void cleanupTestCase()
    {
        m_recorder.kill();
        m_recorder.waitForFinished();
        m_server.kill();
        m_server.waitForFinished();
    }

    void playsWhatItImports()
    {
        if (qEnvironmentVariableIsSet("ORVEX_TEST_NO_SOUND"))
            QSKIP("run without a sound server");
        // A rising sweep with noise over it, 1.2 s of 48 kHz stereo float: nothing repeats.
        Bytes data;
        uint32_t noise = 1;
        for (int i = 0; i < 57600; ++i) {
            const double t = i / 48000.0, sweep = 0.4 * std::sin(2 * M_PI * (200 + 1500 * t) * t);
            for (int c = 0; c < 2; ++c)
                data.f32le(float(sweep
                                 + ((noise = noise * 1664525 + 1013904223) >> 8) / 16777216.0 * 0.3
                                 - 0.15));
        }
        const std::string take = m_dir->path("sweep.wav"), converted = m_dir->path("converted.wav");
        WriteFile(take, Wav(3, 2, 48000, 32, 8, data));
        CModalSeam::SetIntercepting(true);
        CImporterDlg dlg;
        double latencyMs = -1;
        size_t onset = 0, heard = 0;
        bool stopped = false, fromHalf = false, measuredPlays = false;
        QString stream;
        WhenModal([&] {
            CModalSeam::QueueFileAnswer(IDOK, take);
            qobject_cast<QAbstractButton *>(dlg.GetDlgItem(IDC_BROWSE))->click();
            QVERIFY(QTest::qWaitFor([&] { return !dlg.IsDescribing(); }));
            auto *play = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(IDC_PLAY));
            // Alt+P plays, and Alt+P again stops at once. (A mnemonic presses its button
            // for a moment before it clicks.)
            dlg.GetSafeHwnd()->activateWindow(); // shortcuts reach the active window
            QVERIFY(QTest::qWaitForWindowActive(dlg.GetSafeHwnd()));
            QTest::keyClick(dlg.GetSafeHwnd(), Qt::Key_P, Qt::AltModifier);
            stopped = QTest::qWaitFor([&] { return dlg.IsPlaying(); });
            QTest::keyClick(dlg.GetSafeHwnd(), Qt::Key_P, Qt::AltModifier);
            stopped = stopped && QTest::qWaitFor([&] { return !dlg.IsPlaying(); });
            // Plays, recorded from the sink to `file` until playing ends; the moment of the
            // press is the recording's length then.
            // A busy machine may start the recorder late and write its file late: the press
            // waits for the recording to run, the end for it to hold `seconds` and a half more.
            auto playRecorded = [&](const std::string &file, double seconds) {
                m_recorder.start("parec",
                                 {"-d", "test.monitor", "--raw", "--rate=48000", "--channels=2",
                                  "--format=s16le", "--latency-msec=20", file.c_str()});
                auto size = [&] { return QFileInfo(file.c_str()).size(); };
                (void)QTest::qWaitFor([&] { return size() > 0; }, 10000);
                QTest::qWait(400);
                const qint64 atPress = size();
                play->click();
                (void)QTest::qWaitFor([&] { return !dlg.IsPlaying(); }, 10000);
                (void)QTest::qWaitFor(
                        [&] { return size() >= atPress + qint64((seconds + 0.5) * 48000) * 4; },
                        10000);
                m_recorder.terminate();
                m_recorder.waitForFinished();
                return atPress;
            };
            const qint64 atPress = playRecorded(m_dir->path("rec.raw"), 1.2);
            const std::vector<uint8_t> rec = ReadFile(m_dir->path("rec.raw"));
            for (size_t i = size_t(atPress); i + 1 < rec.size(); i += 2)
                if (std::abs(int16_t(rec[i] | rec[i + 1] << 8)) > 300) {
                    onset = i / 4 * 4;
                    latencyMs = (double(onset) - double(atPress)) / (48000 * 4) * 1000;
                    break;
                }
            // A selection, dragged over a quarter of the waveform, plays alone: what the sink
            // hears is about as long as it is, not the rest of the file.
            QWidget *wave = dlg.GetDlgItem(IDC_WAVEFORM);
            const int y = wave->height() / 2;
            QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(wave->width() / 4, y));
            QTest::mouseMove(wave, QPoint(wave->width() / 2, y));
            QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(wave->width() / 2, y));
            playRecorded(m_dir->path("part.raw"), 0.3);
            const std::vector<uint8_t> part = ReadFile(m_dir->path("part.raw"));
            for (size_t i = 0; i + 3 < part.size(); i += 4)
                heard += std::abs(int16_t(part[i] | part[i + 1] << 8)) > 300;
            // Normalised, the selection plays once its peak is measured off this thread.
            auto *normalise = qobject_cast<QAbstractButton *>(dlg.GetDlgItem(IDC_NORMALIZE));
            normalise->click();
            play->click();
            measuredPlays = QTest::qWaitFor([&] { return dlg.IsPlaying(); });
            play->click();
            normalise->click();
            // Zoomed in to some 20 ms, a click in the middle of the waveform plays from there,
            // and the view follows the sound.
            const QPointF middle(wave->width() / 2.0, wave->height() / 2.0);
            QWheelEvent zoom(middle, wave->mapToGlobal(middle), {}, QPoint(0, 6 * 120),
                             Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(wave, &zoom);
            auto shown = [&] { return static_cast<CWaveformView *>(wave)->Shown().view.first; };
            const uint64_t before = shown();
            QTest::mouseClick(wave, Qt::LeftButton, {}, middle.toPoint());
            fromHalf = dlg.IsPlaying() && dlg.GetDlgItem(IDC_PLAY)->isEnabled()
                    && QTest::qWaitFor([&] { return shown() > before; }, 5000);
            // The stream as the server lists it, once it has one (a busy machine is slow to).
            (void)QTest::qWaitFor(
                    [&] {
                        QProcess list;
                        list.start("pactl", {"list", "sink-inputs"});
                        list.waitForFinished();
                        stream = QString::fromUtf8(list.readAllStandardOutput());
                        return stream.contains("media.name");
                    },
                    10000);
            dlg.EndDialog(IDCANCEL);
        });
        dlg.DoModal();
        QVERIFY(stopped && fromHalf && measuredPlays && latencyMs >= 0);
        QVERIFY2(heard > 57600 / 4 / 2 && heard < 57600 / 4 * 12 / 10,
                 qPrintable(QString::number(heard)));
        QVERIFY2(stream.contains("application.name = \"Orvex\"")
                         && stream.contains("media.name = \"sweep.wav\""),
                 qPrintable(stream));
        qInfo("playback started %.0f ms after the press (recorded at the sink)", latencyMs);

        // The recording against the converted samples, at the best of the lags near the onset.
        QCOMPARE(CliConvert(take, converted), 0);
        const std::vector<int16_t> ref = *WavSamples(ReadFile(converted), 2, 48000);
        const std::vector<uint8_t> rec = ReadFile(m_dir->path("rec.raw"));
        double best = 0;
        for (size_t lag = onset > 4000 ? onset - 4000 : 0;
             lag < onset + 4000 && lag + ref.size() * 2 <= rec.size(); lag += 4) {
            double xy = 0, xx = 0, yy = 0;
            for (size_t i = 0; i < ref.size(); i += 7) {
                const double x = ref[i], y = int16_t(rec[lag + 2 * i] | rec[lag + 2 * i + 1] << 8);
                xy += x * y, xx += x * x, yy += y * y;
            }
            best = std::max(best, xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0);
            if (best > 0.999)
                break;
        }
        qInfo("correlation of what was heard with what is imported: %.5f", best);
        QVERIFY(best > 0.99);
    }

    void withoutASoundServerPlayIsGreyed()
    {
        if (!qEnvironmentVariableIsSet("ORVEX_TEST_NO_SOUND"))
            QSKIP("run with a sound server");
        WriteFile(m_dir->path("a.wav"), WavPcm(1, 8000, 16, Le16s({1, 2, 3})));
        CModalSeam::SetIntercepting(true);
        CImporterDlg dlg;
        QString tip;
        bool enabled = true;
        WhenModal([&] {
            CModalSeam::QueueFileAnswer(IDOK, m_dir->path("a.wav"));
            qobject_cast<QAbstractButton *>(dlg.GetDlgItem(IDC_BROWSE))->click();
            // The look for a sound output goes on in the background.
            (void)QTest::qWaitFor(
                    [&] { return !dlg.IsDescribing() && !dlg.GetDlgItem(IDC_PLAY)->isEnabled(); });
            enabled = dlg.GetDlgItem(IDC_PLAY)->isEnabled();
            tip = dlg.GetDlgItem(IDC_PLAY)->toolTip();
            dlg.EndDialog(IDCANCEL);
        });
        dlg.DoModal();
        QVERIFY(!enabled);
        QCOMPARE(tip,
                 QStringLiteral("No sound output was found: no sound server runs, or it has no "
                                "output device."));
    }
};

QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
