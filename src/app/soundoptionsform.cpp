#include "soundoptionsform.h"

#include "sorvelmainform.h"
#include "waveout.h"

#include <QEvent>
#include <QLabel>
#include <QSlider>

namespace sorvel {

TForm2::TForm2(TSorvelMainForm* mainForm)
    : QWidget(mainForm,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      blockSizes(sorvel::blockSizes.begin(), sorvel::blockSizes.end()), mainForm_(mainForm) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Sound Options"));
    setFixedSize(272, 137);
    setFont(mainForm->font());

    Label1 = new QLabel(QStringLiteral("If you are experiencing noise or static, drag the slider "
                                       "downwards. If you are experiencing delay in the sound, "
                                       "drag the slider upwards. The faster the response time, "
                                       "the higher the chances of poor sound quality."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(8, 8, 122, 121);

    TrackBar1 = new QSlider(Qt::Vertical, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(136, 4, 30, 129);
    TrackBar1->setRange(1, 17);
    TrackBar1->setPageStep(1);
    TrackBar1->setSingleStep(1);
    TrackBar1->setTickPosition(QSlider::TicksRight);
    TrackBar1->setTickInterval(1);
    TrackBar1->setValue(10);
    TrackBar1->setFocusPolicy(Qt::NoFocus);
    connect(TrackBar1, &QSlider::valueChanged, this, &TForm2::TrackBar1Change);
    connect(TrackBar1, &QSlider::sliderPressed, this, &TForm2::TrackBar1Enter);

    Label18 = new QLabel(QStringLiteral("Fast Response Time"), this);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label18->move(172, 11);
    Label18->adjustSize();
    Label19 = new QLabel(QStringLiteral("High sound quality"), this);
    Label19->setObjectName(QStringLiteral("Label19"));
    Label19->move(172, 113);
    Label19->adjustSize();
    setVisible(false);
}

void TForm2::FormActivate() {
    const auto index = static_cast<std::size_t>(TrackBar1->value() - 1);
    mainForm_->setBlockSize(blockSizes.at(index));
}

void TForm2::TrackBar1Change() {
    FormActivate();
    mainForm_->removeFocus();
}

void TForm2::TrackBar1Enter() {
    FormActivate();
    mainForm_->removeFocus();
}

bool TForm2::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

} // namespace sorvel
