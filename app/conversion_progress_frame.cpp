#include "conversion_progress_frame.h"

#include <QThread>
#include <algorithm>

namespace fotarel {

namespace {

QProgressBar* MakeBar(QWidget* Parent, const char* Name, int X, int Y) {
  auto* Bar = new QProgressBar(Parent);
  Bar->setObjectName(QString::fromLatin1(Name));
  Bar->setGeometry(X, Y, 436, 21);
  Bar->setTextVisible(false);
  Bar->setRange(0, 100);
  return Bar;
}

}  // namespace

TfraProgress::TfraProgress(QWidget* Parent) : QFrame(Parent) {
  setObjectName(QStringLiteral("fraProgress"));
  resize(548, 113);
  setAutoFillBackground(true);

  gbxProgress = new QGroupBox(QStringLiteral("Conversion Progress: "), this);
  gbxProgress->setObjectName(QStringLiteral("gbxProgress"));
  gbxProgress->setGeometry(0, 0, 548, 113);
  Label4 = MakeLabel(gbxProgress, "Label4", 12, 24, QStringLiteral("Now converting:"));
  lblCurrentFileName = new TPathLabel(gbxProgress);
  lblCurrentFileName->setObjectName(QStringLiteral("lblCurrentFileName"));
  lblCurrentFileName->setGeometry(96, 24, 193, 13);
  lblCurrentFilePage = new QLabel(gbxProgress);
  lblCurrentFilePage->setObjectName(QStringLiteral("lblCurrentFilePage"));
  lblCurrentFilePage->setGeometry(295, 24, 151, 13);
  lblCurrentFilePage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  pbrCurrentFile = MakeBar(gbxProgress, "pbrCurrentFile", 12, 39);
  Label3 = MakeLabel(gbxProgress, "Label3", 12, 64, QStringLiteral("Overall Job"));
  lblOverAllCounter = new QLabel(gbxProgress);
  lblOverAllCounter->setObjectName(QStringLiteral("lblOverAllCounter"));
  lblOverAllCounter->setGeometry(192, 64, 254, 13);
  lblOverAllCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  pbrJob = MakeBar(gbxProgress, "pbrJob", 12, 80);

  BitBtn1 = new QPushButton(QStringLiteral("&Cancel"), gbxProgress);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(454, 39, 84, 62);
  BitBtn1->setFont(QFont(QStringLiteral("Arial"), 12, QFont::Bold));
  SetTextColour(BitBtn1, QColor(255, 0, 0));

  CancelFileConvert = MakeAction(this, "CancelFileConvert", QStringLiteral("&Cancel"), QKeySequence(u"Ctrl+C"_qs),
                                 QString());
  CancelFileConvert->setEnabled(false);
  connect(CancelFileConvert, &QAction::triggered, this, &TfraProgress::CancelFileConvertExecute);
  BindButton(BitBtn1, CancelFileConvert);
}

void TfraProgress::SetBarMaximum(QProgressBar* Bar, int Maximum) {
  // Qt shows a bar whose range is empty as busy; one of no steps stays
  // empty here.
  Bar->setRange(0, std::max(Maximum, 1));
}

void TfraProgress::Initialize() {
  pbrCurrentFile->setValue(0);
  pbrJob->setValue(0);
  lblCurrentFileName->SetPath(QString());
  lblCurrentFilePage->clear();
  lblOverAllCounter->clear();
}

void TfraProgress::Appear() {
  Initialize();
  FLeft = -width() - 5;
  move(FLeft, FDockPosition.y());
  raise();
  show();
  FTargetLeft = FDockPosition.x();
  FStep = 5;
  Slide();
  CancelFileConvert->setEnabled(true);
}

void TfraProgress::Disappear() {
  CancelFileConvert->setEnabled(false);
  FLeft = x();
  FTargetLeft = -width() - 5;
  FStep = -5;
  Slide();
}

void TfraProgress::Slide() {
  while (FStep > 0 ? FLeft < FTargetLeft : FLeft > FTargetLeft) {
    QThread::msleep(4);
    FLeft = FStep > 0 ? std::min(FLeft + FStep, FTargetLeft) : std::max(FLeft + FStep, FTargetLeft);
    move(FLeft, y());
    repaint();
  }
}

void TfraProgress::CancelFileConvertExecute() {
  FJobCancelled = true;
  CancelFileConvert->setEnabled(false);
}

}  // namespace fotarel
