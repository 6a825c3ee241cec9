#include "canvas/editor/dashboardview.h"

#include "canvas/drawobject.h"
#include "canvas/editor/viewport.h"
#include "dials/drawdials.h"
#include "dials/needlesweep.h"
#include "document/dashboarddocument.h"
#include "pictures/editor/liveprinter.h"
#include "pictures/editor/picturebox.h"

#include <QVBoxLayout>

namespace tolvane {

DashboardView::DashboardView(DashboardDocument &document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
{
    m_viewport = new Viewport(m_surface, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(QMargins());
    layout->addWidget(m_viewport);
    m_picture = m_viewport->picture();
    m_picture->hide();

    connect(m_picture, &PictureBox::pressed, this, &DashboardView::pressed);
    connect(m_picture, &PictureBox::moved, this, &DashboardView::moved);
    connect(m_picture, &PictureBox::released, this, &DashboardView::released);
    connect(m_picture, &PictureBox::left, this, [this] { Q_EMIT pointerReadoutChanged(QString()); });
    connect(m_picture, &PictureBox::zoomWheel, this,
            [this](int steps, const QPointF &at) { zoomBy(steps, m_picture->mapToParent(at)); });
    // The arrow keys reach the dashboard once a click has given it focus.
    m_picture->setFocusPolicy(Qt::StrongFocus);
    m_picture->installEventFilter(this);

    connect(&document, &DashboardDocument::loaded, this, &DashboardView::showLoadedDashboard);
    connect(&document, &DashboardDocument::selectionChanged, this, &DashboardView::showSelection);
    connect(&document, &DashboardDocument::objectMoved, this, &DashboardView::followObjectMove);
    connect(&document, &DashboardDocument::dialChanged, this, &DashboardView::followDialChange);
    connect(&document, &DashboardDocument::extractionStarted, this, &DashboardView::showExtractionScreen);
    connect(&document, &DashboardDocument::extractionFinished, this, &DashboardView::endExtractionScreen);
    connect(&document, &DashboardDocument::backgroundChanged, this, &DashboardView::showNewBackground);
}

DashboardView::~DashboardView()
{
    // The picture widget shows the surfaces, which go before the children.
    delete m_viewport;
}

int DashboardView::selected() const
{
    return m_document.selectedObject();
}

void DashboardView::showOutline(const QRectF &rect)
{
    m_outline = rect;
    m_outlineVisible = true;
    m_picture->showOutline(rect);
}

void DashboardView::hideOutline()
{
    m_outlineVisible = false;
    m_picture->hideOutline();
}

std::unique_ptr<PrintTarget> DashboardView::progressPrinter()
{
    return std::make_unique<LivePrinter>(m_surface, *m_picture);
}

void DashboardView::clearDrawing()
{
    m_surface.clear();
}

void DashboardView::showLoadedDashboard()
{
    m_notShownReason.clear();
    hideOutline();
    m_surface.setPicture(m_document.background());
    m_baseHasObjects = false;
    m_allObjectsStale = true;
    showBase(std::nullopt);
    m_picture->show();
}

void DashboardView::showSelection()
{
    ++m_nudgeRun;
    m_dragAnchor.reset();
    m_notShownReason.clear();
    hideOutline();
    Q_EMIT statusWarningCleared(SelectedFilesCause);
    const int index = selected();
    // No selection leaves the dashboard as it is.
    if (index < 0)
        return;
    // The first entry is the background itself: nothing to load or draw.
    if (index == 0) {
        showBase(std::nullopt);
        return;
    }

    const Status status = prepareObjectBuffers(m_document.directory(),
                                               m_document.tables().objects.directory[size_t(index)], m_objectImage,
                                               m_objectMask);
    if (!status) {
        clearObjectBuffers(m_objectImage, m_objectMask);
        showBase(std::nullopt);
        m_notShownReason = status.message();
        Q_EMIT failed(tr("Show Object"), status.message());
        return;
    }
    showBase(index);
    showSelectedObject();
}

void DashboardView::showSelectedObject()
{
    const ObjectHeader &header = m_document.tables().objects.headers[size_t(selected())];
    showOutline(objectOutline(header));
    DrawObject(m_objectImage, m_objectMask, m_surface, objectTopLeft(header), ObjectDrawing::ThroughMask);
    m_surface.requestRepaint();
}

void DashboardView::followObjectMove(int index)
{
    if (index != selected()) {
        // An undo moved another object, which is selected next: until then
        // it lies in the picture under the selected one.
        if (m_baseHasObjects) {
            const std::optional<int> selection = shownSelection();
            showBase(selection);
            if (selection)
                showSelectedObject();
        }
        return;
    }
    m_surface.clear();
    showSelectedObject();
}

void DashboardView::showObjectsMode()
{
    m_dialsMode = false;
    m_needleTest.reset();
}

void DashboardView::showDialsMode()
{
    m_dialsMode = true;
    hideOutline();
    showBase(std::nullopt);
    drawDials();
}

void DashboardView::drawDials()
{
    m_needleTest.reset();
    DrawDials(m_surface, m_document.tables().dialRecord);
    drawAllOverDials();
}

void DashboardView::showNeedleTest(int speed, int revs)
{
    m_needleTest = NeedleTestValues{speed, revs};
    drawNeedleTest(m_surface, m_document.tables().dialRecord, speed, revs);
    drawAllOverDials();
}

void DashboardView::followDialChange()
{
    // Every change of the dial data redraws the needles: the test's while
    // one is shown, else the preview.
    if (m_needleTest)
        showNeedleTest(m_needleTest->speed, m_needleTest->revs);
    else
        drawDials();
}

void DashboardView::armColourPick()
{
    m_pickArmed = true;
    m_needleTest.reset();
    // The user picks from the bare background picture.
    m_surface.clear();
}

void DashboardView::cancelColourPick()
{
    m_pickArmed = false;
    // Undoes the preview of the colours under the pointer.
    Q_EMIT swatchColour(dialColour(m_surface, m_document.tables().dialRecord));
    drawDials();
}

void DashboardView::showExtractionScreen()
{
    // The progress goes to the screen only; the picture shown afterwards
    // replaces it.
    m_surface.setPersistentDrawing(false);
    m_surface.clear();
    m_surface.fillRect(QPointF(0, 0), QPointF(m_surface.width(), m_surface.height()), 0xFFFFFF);
    m_surface.print(tr("Extracting SHPI data..."));
}

void DashboardView::endExtractionScreen(bool succeeded)
{
    // The objects' masks were written anew.
    m_allObjectsStale = true;
    if (succeeded) {
        m_surface.print(tr("Extraction Complete."));
        if (m_picture->isVisible())
            m_picture->repaint();
    }
    m_surface.setPersistentDrawing(true);
}

} // namespace tolvane
