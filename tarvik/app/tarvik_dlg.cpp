#include "tarvik_dlg.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

#include "dialog_controls.h"
#include "icon_image.h"
#include "resources/dialog_template.h"
#include "wide_text.h"

namespace {

void ShowMessageBox(QWidget* owner, LPCWSTR text, LPCWSTR caption) {
    QMessageBox box(QMessageBox::NoIcon, WideToQString(caption), WideToQString(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace

CTarvikDlg::CTarvikDlg(QWidget* parent) : QDialog(parent), m_hIcon(LoadTarvikIcon()) {
    CreateDialogControls(*this, TarvikDialogTemplate());
    // The message map, in its order.
    ConnectButton(IDC_START_TRAIN_RECORD, &CTarvikDlg::OnStartTrainRecord);
    ConnectButton(IDC_STOP_TRAIN_RECORD, &CTarvikDlg::OnStopTrainRecord);
    ConnectButton(IDC_START_MATCH_RECORD, &CTarvikDlg::OnStartMatchRecord);
    ConnectButton(IDC_STOP_MATCH_RECORD, &CTarvikDlg::OnStopMatchRecord);
    ConnectButton(IDC_PLAY_TRAIN_RECORD, &CTarvikDlg::OnPlayTrainRecord);
    ConnectButton(IDC_STOP_PLAY_TRAIN, &CTarvikDlg::OnStopPlayTrain);
    ConnectButton(IDC_PLAY_MATCH_RECORD, &CTarvikDlg::OnPlayMatchRecord);
    ConnectButton(IDC_STOP_PLAY_MATCH, &CTarvikDlg::OnStopPlayMatch);
}

void CTarvikDlg::ConnectButton(int id, void (CTarvikDlg::*handler)()) {
    auto* button = qobject_cast<QAbstractButton*>(FindControl(*this, id));
    connect(button, &QAbstractButton::clicked, this, handler);
}

int CTarvikDlg::DoModal() {
    return exec();
}

bool CTarvikDlg::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
    return true;
}

void CTarvikDlg::DoDataExchange(bool saveAndValidate) {
    auto* edit = qobject_cast<QLineEdit*>(FindControl(*this, IDC_MATCH));
    if (saveAndValidate) {
        m_strMatch = edit->text();
    } else {
        edit->setText(m_strMatch);
    }
}

bool CTarvikDlg::OnInitDialog() {
    UpdateData(false);
    // One icon with both images: the window system picks the big or the small one.
    setWindowIcon(m_hIcon);
    m_handlers.InitWaveFormat();
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    return true;
}

void CTarvikDlg::showEvent(QShowEvent* event) {
    if (!m_initialised) {
        m_initialised = true;
        if (OnInitDialog()) {
            FindControl(*this, IDC_START_TRAIN_RECORD)->setFocus();
        }
    }
    QDialog::showEvent(event);
}

void CTarvikDlg::SetMatchText(LPCWSTR text) {
    m_strMatch = WideToQString(text);
    UpdateData(false);
}

void CTarvikDlg::ShowDialogMessage(LPCWSTR text, LPCWSTR caption) {
    ShowMessageBox(this, text, caption);
}

void CTarvikDlg::ShowOwnerlessMessage(LPCWSTR text, LPCWSTR caption) {
    ShowMessageBox(nullptr, text, caption);
}

void CTarvikDlg::OnStartTrainRecord() {
    m_handlers.OnStartTrainRecord();
}
void CTarvikDlg::OnStopTrainRecord() {
    m_handlers.OnStopTrainRecord();
}
void CTarvikDlg::OnStartMatchRecord() {
    m_handlers.OnStartMatchRecord();
}
void CTarvikDlg::OnStopMatchRecord() {
    m_handlers.OnStopMatchRecord();
}
void CTarvikDlg::OnPlayTrainRecord() {
    m_handlers.OnPlayTrainRecord();
}
void CTarvikDlg::OnStopPlayTrain() {
    m_handlers.OnStopPlayTrain();
}
void CTarvikDlg::OnPlayMatchRecord() {
    m_handlers.OnPlayMatchRecord();
}
void CTarvikDlg::OnStopPlayMatch() {
    m_handlers.OnStopPlayMatch();
}
