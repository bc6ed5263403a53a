// The progress frame: the current input with its page progress, the job's
// progress over its inputs, and the Cancel button. It waits outside the
// window and slides in over the Start area while a job runs.
#pragma once

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPoint>
#include <QProgressBar>
#include <QPushButton>

#include "controls.h"

namespace fotarel {

class TfraProgress : public QFrame {
  Q_OBJECT
 public:
  explicit TfraProgress(QWidget* Parent = nullptr);

  // Where the frame docks while a job runs.
  QPoint DockPosition() const { return FDockPosition; }
  void SetDockPosition(const QPoint& Value) { FDockPosition = Value; }
  // Set by Cancel; the job's event handlers pass it on to the converter.
  bool JobCancelled() const { return FJobCancelled; }
  void SetJobCancelled(bool Value) { FJobCancelled = Value; }

  // Both bars to 0 and the value labels empty.
  void Initialize();
  // Slides in from the left to the dock position, then enables Cancel.
  void Appear();
  // Disables Cancel and slides out to the left.
  void Disappear();
  void CancelFileConvertExecute();

  // A bar's maximum (a bar of no steps shows empty).
  static void SetBarMaximum(QProgressBar* Bar, int Maximum);

  QGroupBox* gbxProgress;
  QLabel* Label4;
  TPathLabel* lblCurrentFileName;
  QLabel* lblCurrentFilePage;
  QProgressBar* pbrCurrentFile;
  QLabel* Label3;
  QLabel* lblOverAllCounter;
  QProgressBar* pbrJob;
  QPushButton* BitBtn1;
  QAction* CancelFileConvert;

 private:
  // Moves the frame in 5-pixel steps every 4 milliseconds until it is at
  // the target.
  void Slide();

  QPoint FDockPosition;
  bool FJobCancelled = false;
  int FLeft = 0;
  int FStep = 0;
  int FTargetLeft = 0;
};

}  // namespace fotarel
