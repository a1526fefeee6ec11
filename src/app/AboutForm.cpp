#include "app/AboutForm.h"

#include "app/ShellOpen.h"
#include "text/Maker.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace vexlin {
namespace {

// The program's picture: a laptop with a tick on its screen, drawn so that no image file is needed.
QPixmap laptopPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    painter.setPen(QPen(QColor(40, 40, 60), s / 32));
    painter.setBrush(QColor(128, 128, 255));
    painter.drawRoundedRect(QRectF(s * 0.15, s * 0.15, s * 0.7, s * 0.48), s / 24, s / 24);
    painter.setBrush(QColor(70, 70, 90));
    painter.drawRoundedRect(QRectF(s * 0.05, s * 0.66, s * 0.9, s * 0.12), s / 24, s / 24);
    painter.setPen(QPen(Qt::white, s / 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(
        QPolygonF({QPointF(s * 0.34, s * 0.4), QPointF(s * 0.46, s * 0.52), QPointF(s * 0.68, s * 0.27)}));
    return picture;
}

} // namespace

LinkLabel::LinkLabel(const QString& text, QString url, QWidget* parent, platform::NormalPriorityLane* lane)
    : QLabel(text, parent), url_(std::move(url)), lane_(lane) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    setPalette(palette);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        openWithDesktop(window(), url_, lane_);
    }
}

TAboutForm::TAboutForm(QWidget* parent, platform::NormalPriorityLane* lane) : Form(parent, Qt::Tool) {
    setObjectName("AboutForm");
    setWindowTitle("О программе...");
    setSizeGripEnabled(true);
    setMinimumSize(332, 212);
    setMaximumSize(342, 258);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(8, 8, 105, 105);
    Image1->setPixmap(laptopPicture(105));

    Label1 = new QLabel(maker::kLine, this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(128, 12, 200, 20);
    Label2 = new QLabel("Vexlin", this);
    Label2->setObjectName("Label2");
    QFont big("Arial");
    big.setPixelSize(25);
    big.setBold(true);
    Label2->setFont(big);
    Label2->setGeometry(128, 36, 200, 32);
    Label3 = new QLabel("v.0.7.1", this);
    Label3->setObjectName("Label3");
    Label3->setGeometry(128, 72, 200, 17);

    Label4 = new LinkLabel(maker::kSiteCaption, maker::kSite, this, lane);
    Label4->setObjectName("Label4");
    Label4->setGeometry(128, 104, 200, 17);
    Label5 = new LinkLabel(maker::kSupportCaption, maker::kSupport, this, lane);
    Label5->setObjectName("Label5");
    Label5->setGeometry(128, 128, 200, 17);

    Button1 = new QPushButton("Ok", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(128, 168, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    setOuterSize({342, 258});
}

} // namespace vexlin
