#include "ChartPage.h"

#include "Gbk.h"
#include "QtCanvas.h"
#include "ShowTutorialFrm.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cstring>

void ChartPicture::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->button(), event->position().toPoint());
    event->accept();
}

ChartPage::ChartPage(QWidget *parent) : QWidget(parent), Printing(*this)
{
    setObjectName(QStringLiteral("tsMing"));
    ExecModal = [](QDialog &dialog) { return dialog.exec(); };
    imgDisk = new ChartPicture(this);
    imgDisk->setObjectName(QStringLiteral("imgDisk"));
    imgDisk->setGeometry(8, 8, kPictureWidth, kPictureHeight);
    imgDisk->setAlignment(Qt::AlignCenter);
    setMinimumSize(8 + kPictureWidth, 8 + kPictureHeight);
    connect(imgDisk, &ChartPicture::pressed, this,
            [this](Qt::MouseButton button, QPoint at) { imgDiskMouseDown(button, at.x(), at.y()); });
}

ChartPage::~ChartPage()
{
    delete m_ownExplanation;
}

TfrmDBStar *ChartPage::explanationWindow()
{
    if (!m_explanation) {
        m_ownExplanation = new TfrmDBStar(window());
        m_ownExplanation->OpenStarTable();
        m_explanation = m_ownExplanation;
    }
    return m_explanation;
}

QImage &ChartPage::Picture()
{
    if (m_picture.isNull()) {
        m_picture = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
        m_picture.fill(Qt::white);
    }
    return m_picture;
}

QImage ChartPage::PictureOrBlank() const
{
    if (!m_picture.isNull())
        return m_picture;
    QImage blank(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

void ChartPage::PutNameIntoTextBlock(const QString &name)
{
    // Characters GBK cannot write become '?'; the engine reads line 0 to its NUL.
    QByteArray bytes;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const qsizetype len = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        bool ok = false;
        const QByteArray one = ToGbk(name.mid(i, len), &ok);
        bytes += ok ? one : QByteArray("?");
        i += len - 1;
    }
    int keep = 0;
    while (keep < bytes.size()) {
        const int size = (uchar(bytes[keep]) >= 0x81 && uchar(bytes[keep]) <= 0xFE) ? 2 : 1;
        if (keep + size > STAR_HEADER_LINE_SIZE - 1)
            break;
        keep += size;
    }
    std::memset(TextBlock, 0, STAR_HEADER_LINE_SIZE);
    std::memcpy(TextBlock, bytes.constData(), keep);
}

void ChartPage::UpdatePicture()
{
    // The control is transparent: the page shows through wherever the
    // bitmap is white.
    QImage shown = Picture().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shown.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if ((line[x] & 0xffffff) == 0xffffff)
                line[x] = 0;
    }
    imgDisk->setPixmap(QPixmap::fromImage(shown));
}

void ChartPage::ShowChart(double birth, bool male, const QString &name)
{
    Birthday = birth;
    Sex = male;
    Name = name;
    PutNameIntoTextBlock(Name);
    Pan(Birthday, Sex ? 1 : 0, 1, PalaceBlock, HeaderBlock(), PillarBlock(), LuckBlock());

    QImage &picture = Picture();
    {
        QPainter painter(&picture);
        QtCanvas canvas(painter, QtCanvas::kScreenPpi);
        KeloDraw.SetCanvas(&canvas);
        canvas.setFontCharset(kGb2312Charset);
        canvas.setFontName(kSongTi);
        canvas.setFontHeight(-14);
        KeloDraw.SetOrigin(1, 1);
        KeloDraw.SetChartData(PalaceBlock, HeaderBlock(), PillarBlock(), LuckBlock());
        try {
            KeloDraw.Draw();
        } catch (...) {
            KeloDraw.canvas = nullptr;
            painter.end();
            UpdatePicture();  // the partly drawn chart stays shown
            throw;
        }
        KeloDraw.canvas = nullptr;  // the canvas lives only for this drawing
    }
    UpdatePicture();
    emit chartDrawn();
    if (ShowTutorial)
        ShowHint();
}

void ChartPage::ShowHint()
{
    TfrmShowTutorial hint(window(), m_tutorial);
    ExecModal(hint);
    if (hint.cbNoShow->isChecked())
        ShowTutorial = false;
}

void ChartPage::imgDiskMouseDown(Qt::MouseButton, int x, int y)
{
    QString name;
    KeloDraw.HitTest(x, y, name);
    ShowExplanation(name);
}

void ChartPage::ShowExplanation(const QString &name)
{
    if (name.isEmpty())
        return;
    TfrmDBStar *window = explanationWindow();
    window->Locate(name);
    ExecModal(*window);
}
