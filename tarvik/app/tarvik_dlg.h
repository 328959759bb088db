// The demo's dialog: template 102 in Qt widgets, its eight buttons wired to the handler logic,
// and the dialog operations that logic needs (match text, message boxes, waits, files).
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include "logic/dialog_host.h"
#include "logic/tarvik_handlers.h"

class QShowEvent;

class CTarvikDlg : public QDialog, public CPlatformDialogHost {
    Q_OBJECT

  public:
    // Builds the dialog from template 102, with no parent.
    explicit CTarvikDlg(QWidget* parent = nullptr);

    // Runs the dialog modally; returns how it was closed.
    int DoModal();

    // Transfers m_strMatch to edit 1010 (saveAndValidate false) or back (true).
    bool UpdateData(bool saveAndValidate);

    // CDialogHost
    void SetMatchText(LPCWSTR text) override;
    void ShowDialogMessage(LPCWSTR text, LPCWSTR caption) override;
    void ShowOwnerlessMessage(LPCWSTR text, LPCWSTR caption) override;

    const QString& MatchText() const { return m_strMatch; }

  public slots:
    void OnStartTrainRecord();
    void OnStopTrainRecord();
    void OnStartMatchRecord();
    void OnStopMatchRecord();
    void OnPlayTrainRecord();
    void OnStopPlayTrain();
    void OnPlayMatchRecord();
    void OnStopPlayMatch();

  protected:
    virtual void DoDataExchange(bool saveAndValidate);
    // First transfer to the controls, icons, audio format, centring. True: the first control
    // takes the focus.
    virtual bool OnInitDialog();

    void showEvent(QShowEvent* event) override;

  private:
    void ConnectButton(int id, void (CTarvikDlg::*handler)());

    QString m_strMatch;
    QIcon m_hIcon;
    CTarvikHandlers m_handlers{*this};
    bool m_initialised = false;
};
