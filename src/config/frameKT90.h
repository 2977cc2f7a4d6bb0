// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The configuration editor: a tree of six nodes (two pages and four
// actions) and the Motors and Ports pages, one value panel per field of the
// editor block.

#include "config/configeditor.h"
#include "config/messageboxui.h"
#include "core/kt90editor.h"
#include "widgets/ArrowKeyPanel.h"

#include <QLabel>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class TLinkLabel;

class TKT90frame : public QWidget, public IConfigEditor {
    Q_OBJECT
public:
    // Starts with the default block on the Motors page. ui and files default
    // to message boxes and Qt's file dialogs.
    explicit TKT90frame(QWidget* parent = nullptr, IOperatorUi* ui = nullptr,
                        IFileChooser* files = nullptr);
    ~TKT90frame() override;

    const kt90::TktFRAMParams& KT90Options() const override { return fModel.fKT90Options; }
    void setKT90Options(const kt90::TktFRAMParams& block) override;
    void ApplyChanges() override;
    void CancelChanges();

    // The tree's "Download" and "Upload" run these (the operator-started
    // transfers of the window that owns the link).
    std::function<void()> onDownload;
    std::function<void()> onUpload;
    // The information beep at the end of a range.
    std::function<void()> infoBeep;

    void ShowPage(QWidget* page);
    void tvwTabsClick();
    void RestoreDefaultClick();
    void SaveToFile();
    void OpenFromFile();

    TArrowKeyPanel* panel(const std::string& name) const;
    const kt90::EditorModel& model() const { return fModel; }

    QTreeWidget* tvwTabs;
    QStackedWidget* pages;
    QWidget *panMotors, *panPorts;
    QLabel *Label35, *Label54, *Label57, *Label58, *Label59;
    TLinkLabel *lbRestoreMotors, *lbRestorePorts;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void build();
    void buildMotors();
    void buildPorts();
    void buildPanels();
    TArrowKeyPanel* makePanel(QWidget* page, const std::string& name, int x, int y, int w);
    QLabel* rowLabel(QWidget* page, const QString& text, int right, int y);
    void heading(QWidget* page, const char* text, int x);
    void separator(QWidget* page, int x);
    void showAll(); // captions and rows from the model
    void focusColours(TArrowKeyPanel* p, bool focused);
    void PanelKeyDown(TArrowKeyPanel* p, QKeyEvent* e);
    void PanelKeyPress(QKeyEvent* e);
    void moveFocus(TArrowKeyPanel* from, bool forward);

    kt90::EditorModel fModel;
    std::map<std::string, TArrowKeyPanel*> fPanels;
    std::map<std::string, QLabel*> fRowLabels; // by the first panel of the row
    std::vector<QWidget*> fSeparators;
    std::unique_ptr<IOperatorUi> fOwnUi;
    std::unique_ptr<IFileChooser> fOwnFiles;
    IOperatorUi* fUi;
    IFileChooser* fFiles;
};
