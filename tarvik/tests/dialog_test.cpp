// The Qt dialog as a user meets it: its controls against template 102, its buttons clicked by
// ID, the message boxes they open and the score in edit 1010. Runs on Qt's offscreen platform
// with the real library and the virtual audio device.
#include <platform/virtual_audio.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "dialog_controls.h"
#include "kelvo/kelvo.h"
#include "logic/module_state.h"
#include "resources/dialog_template.h"
#include "sample_microphone.h"
#include "tarvik_dlg.h"

namespace va = platform::virtual_audio;

namespace {

struct SeenBox {
    QString text;
    QString caption;
    QWidget* owner;
    bool okOnly;
};

// Clicks the button and answers every message box the click opens with OK.
std::vector<SeenBox> ClickAndAnswer(QWidget* button) {
    std::vector<SeenBox> seen;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        seen.push_back({box->text(), box->windowTitle(), box->parentWidget(),
                        box->standardButtons() == QMessageBox::Ok && box->buttons().size() == 1});
        box->button(QMessageBox::Ok)->click();
    });
    answer.start();
    QTest::mouseClick(button, Qt::LeftButton);
    return seen;
}

bool WaitForBytes(const QString& file, qint64 bytes) {
    QElapsedTimer timer;
    timer.start();
    while (QFileInfo(file).size() < bytes) {
        if (timer.elapsed() > 30000) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        directory_ = std::make_unique<QTemporaryDir>();
        QVERIFY(directory_->isValid());
        previous_ = QDir::currentPath();
        QDir::setCurrent(directory_->path());
        ResetModuleState();
        InitTonlet();
        Microphone("voiceA_pass_1.raw");
        dialog_ = std::make_unique<CTarvikDlg>();
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    void cleanup() {
        if (g_bTrainRecording || g_bMatchRecording) {
            StopRecord(g_hRecord);
        }
        StopPlay(g_hPlay);
        dialog_.reset();
        QCOMPARE(va::OpenDeviceCount(), std::size_t{0});
        va::Reset();
        QDir::setCurrent(previous_);
        directory_.reset();
    }

    void controlsFollowTheTemplateInOrderAndPlace() {
        const DialogTemplate& dialogTemplate = TarvikDialogTemplate();
        QCOMPARE(dialog_->windowTitle(),
                 QStringLiteral("Kestrune Biometric Speech Verification Windows CE"));

        // Base units measured here as dialog layouts define them: the average width of the
        // 52 letters and the font's height.
        const QFontMetrics metrics(dialog_->font());
        const double charWidth =
            std::round(metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                "abcdefghijklmnopqrstuvwxyz")) /
                       52.0);
        const double charHeight = metrics.height();
        const auto across = [&](int units) { return int(std::lround(units * charWidth / 4)); };
        const auto down = [&](int units) { return int(std::lround(units * charHeight / 8)); };
        QCOMPARE(dialog_->size(), QSize(across(233), down(142)));
        QVERIFY(charWidth > 0 && charHeight > 0);

        std::vector<QWidget*> controls;
        for (QObject* child : dialog_->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget != nullptr && widget->property(kControlIdProperty).isValid()) {
                controls.push_back(widget);
            }
        }
        QCOMPARE(controls.size(), dialogTemplate.controls.size());
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const ControlTemplate& expected = dialogTemplate.controls[i];
            QWidget* control = controls[i];
            const QString where = QStringLiteral("control #%1").arg(i + 1);
            QVERIFY2(control->property(kControlIdProperty).toInt() == expected.id,
                     qPrintable(where));
            const QRect place(across(expected.rect.x), down(expected.rect.y),
                              across(expected.rect.width), down(expected.rect.height));
            QVERIFY2(control->geometry() == place, qPrintable(where));
            QVERIFY2(control->isVisible(), qPrintable(where));
            const QString text = QString::fromUtf16(expected.text);
            switch (expected.kind) {
                case ControlKind::kPushButton:
                    QVERIFY2(qobject_cast<QPushButton*>(control), qPrintable(where));
                    QCOMPARE(qobject_cast<QPushButton*>(control)->text(), text);
                    break;
                case ControlKind::kStatic:
                    QVERIFY2(qobject_cast<QLabel*>(control), qPrintable(where));
                    QCOMPARE(qobject_cast<QLabel*>(control)->text(), text);
                    QCOMPARE(control->focusPolicy(), Qt::NoFocus);
                    break;
                case ControlKind::kEdit:
                    QVERIFY2(qobject_cast<QLineEdit*>(control), qPrintable(where));
                    QCOMPARE(qobject_cast<QLineEdit*>(control)->text(), QString());
                    break;
            }
        }
        QCOMPARE(qobject_cast<QLabel*>(controls[14])->text().left(6), QStringLiteral("Email "));
        QVERIFY(qobject_cast<QLabel*>(controls[14])->text().endsWith(" for ordering details"));

        // Tab order: the template's order among the controls that take the focus, starting
        // with button 1000, which has the focus when the dialog opens.
        QWidget* first = FindControl(*dialog_, IDC_START_TRAIN_RECORD);
        QCOMPARE(dialog_->focusWidget(), first);
        std::vector<int> tabOrder;
        QWidget* at = first;
        do {
            if (at->focusPolicy() & Qt::TabFocus) {
                tabOrder.push_back(at->property(kControlIdProperty).toInt());
            }
            at = at->nextInFocusChain();
        } while (at != first);
        QCOMPARE(tabOrder,
                 (std::vector<int>{1000, 1001, 1003, 1002, 1005, 1006, 1007, 1008, 1010}));
    }

    void scoreEditIsReadOnlyUpperCaseAndBordered() {
        auto* edit = qobject_cast<QLineEdit*>(FindControl(*dialog_, IDC_MATCH));
        QVERIFY(edit != nullptr);
        QVERIFY(edit->isReadOnly());
        QVERIFY(edit->hasFrame());
        QCOMPARE(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        edit->setFocus();
        QTest::keyClicks(edit, "12");
        QCOMPARE(edit->text(), QString());
        edit->setText(QStringLiteral("nan"));
        QCOMPARE(edit->text(), QStringLiteral("NAN"));
    }

    void iconHasBothImages() {
        const QList<QSize> sizes = dialog_->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(sizes.contains(QSize(16, 16)));
    }

    void buttonsOutOfOrderShowUserErrorsOwnedByTheDialog() {
        const struct {
            int id;
            const char* text;
        } presses[] = {
            {IDC_STOP_TRAIN_RECORD, "No Recording Exists. Click 'Record' to continue"},
            {IDC_START_MATCH_RECORD, "Training File Recording Not Stopped"},
            {IDC_STOP_MATCH_RECORD, "No Matching Recording Started. Click 'Start' to continue"},
        };
        for (const auto& press : presses) {
            const auto seen = ClickAndAnswer(FindControl(*dialog_, press.id));
            QCOMPARE(seen.size(), std::size_t{1});
            QCOMPARE(seen[0].text, QString::fromLatin1(press.text));
            QCOMPARE(seen[0].caption, QStringLiteral("Error User"));
            QCOMPARE(seen[0].owner, static_cast<QWidget*>(dialog_.get()));
            QVERIFY(seen[0].okOnly);
        }
        // The stop-play buttons never show a message.
        QVERIFY(ClickAndAnswer(FindControl(*dialog_, IDC_STOP_PLAY_TRAIN)).empty());
        QVERIFY(ClickAndAnswer(FindControl(*dialog_, IDC_STOP_PLAY_MATCH)).empty());
    }

    void failedStartsShowTheLibraryErrorWithNoOwner() {
        auto seen = ClickAndAnswer(FindControl(*dialog_, IDC_PLAY_TRAIN_RECORD));
        QCOMPARE(seen.size(), std::size_t{1});
        QCOMPARE(seen[0].text, QStringLiteral("Error: Error on opening file. (000025)"));
        QCOMPARE(seen[0].caption, QStringLiteral("Test"));
        QCOMPARE(seen[0].owner, static_cast<QWidget*>(nullptr));
        QVERIFY(seen[0].okOnly);

        va::SetDeviceCounts(0, 0);
        seen = ClickAndAnswer(FindControl(*dialog_, IDC_START_TRAIN_RECORD));
        QCOMPARE(seen.size(), std::size_t{1});
        QCOMPARE(seen[0].text, QStringLiteral("Error: No sound devices present. (000021)"));
        QCOMPARE(seen[0].caption, QStringLiteral("Test"));
        QCOMPARE(seen[0].owner, static_cast<QWidget*>(nullptr));
    }

    // Runs under a locale with ',' decimals (the test's environment sets it), as Qt takes the
    // process locale from the environment.
    void wholeCycleShowsTheScoreInEdit1010() {
        QVERIFY2(std::string(std::localeconv()->decimal_point) == ",",
                 "not under a ',' locale: is de_DE.UTF-8 missing? (scripts/install-deps.sh)");
        auto* edit = qobject_cast<QLineEdit*>(FindControl(*dialog_, IDC_MATCH));
        QVERIFY(ClickAndAnswer(FindControl(*dialog_, IDC_START_TRAIN_RECORD)).empty());
        QVERIFY(WaitForBytes("1.raw", 22050));
        QVERIFY(ClickAndAnswer(FindControl(*dialog_, IDC_STOP_TRAIN_RECORD)).empty());
        QVERIFY(ClickAndAnswer(FindControl(*dialog_, IDC_START_MATCH_RECORD)).empty());
        QCOMPARE(edit->text(), QString());
        QVERIFY(WaitForBytes("3.raw", 22050));
        QVERIFY(ClickAndAnswer(FindControl(*dialog_, IDC_STOP_MATCH_RECORD)).empty());

        bool number = false;
        const int score = edit->text().toInt(&number);
        QVERIFY2(number && score >= 90 && score <= 100, qPrintable(edit->text()));
        QCOMPARE(dialog_->MatchText(), edit->text());

        QFile profile("kelvo.cfg");
        QVERIFY(profile.open(QIODevice::ReadOnly));
        const QByteArray lines = profile.readAll();
        QCOMPARE(lines.count('\n'), 2);
        QVERIFY(lines.contains('.'));
        QVERIFY(!lines.contains(','));
    }

  private:
    static void Microphone(const char* sample) {
        QVERIFY(va::Install(tarvik_test::SampleMicrophone({sample}).c_str()));
    }

    std::unique_ptr<QTemporaryDir> directory_;
    QString previous_;
    std::unique_ptr<CTarvikDlg> dialog_;
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
