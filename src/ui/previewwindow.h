// The preview window: the recorded pages of a print job one at a time, with the toolbar to move
// between them, zoom, print, save as PDF, send the PDF by e-mail and leave.
#pragma once

#include "common/pagemodel.h"

#include <QDialog>

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;

namespace arv {

class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    PreviewWindow(PrintDocument doc, bool noPrint, std::string printer, QWidget* parent = nullptr);

    int currentPage() const { return page_; } // from 0
    int pageCount() const { return static_cast<int>(doc_.pages.size()); }
    bool zoomed() const { return zoomed_; }
    QString pageText() const;
    QToolBar* toolBar() const { return bar_; }
    // The toolbar's action of a bitmap name ("TOP", "PREVIOUS" ... "EXIT"), null when absent.
    QAction* action(const QString& bitmap) const;

    void showPage(int page);
    void toggleZoom();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    PrintDocument doc_;
    std::string printer_;
    int page_ = 0;
    bool zoomed_ = false;
    QToolBar* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* picture_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QSize fittedTo_;
};

// The toolbar pictures of the preview, drawn in a few strokes.
QIcon previewIcon(const QString& bitmap);

} // namespace arv
