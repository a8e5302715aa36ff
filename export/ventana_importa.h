#pragma once

// The window `importa`: the code of a Zumeral company and one button that
// stores its chart of accounts as pending accounts and writes every pending
// account to SUENLACE.DAT. The work itself lives in exportacion_pgc; this
// window takes the code, shows the progress line and closes after a run.

#include "data/a3ado.h"
#include "export/exportacion_pgc.h"
#include "app/ventana_util.h"

#include <QDialog>
#include <QString>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class VentanaImporta : public QDialog {
    Q_OBJECT
public:
    explicit VentanaImporta(A3ADO& a, QWidget* parent = nullptr);
    ~VentanaImporta() override;

    // How the last run started from this window ended (none yet: nullptr).
    const ResultadoExportacion* ultimo_resultado() const { return ultimo_.get(); }

    // Control positions are given in twips; the window works in pixels.
    static constexpr int px(int twips) { return ventana::px(twips); }

public Q_SLOTS:
    void btnGenerar_Click();
    // Closing the window unloads it: the next opening starts empty.
    void done(int resultado) override;

protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void crear_controles();
    // Enter or Tab in txtEmp: the code is formatted, or the field emptied.
    void txtEmp_aceptar();
    void mostrar_progreso(const QString& texto);

    A3ADO& a_;
    ExportacionPgc exportacion_;
    std::unique_ptr<ResultadoExportacion> ultimo_;

    QPushButton* btnGenerar = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* txtEmp = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
};

// The factory of the main window's menu table.
std::unique_ptr<QDialog> crear_ventana_importa(A3ADO& a);
