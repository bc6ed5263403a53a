// The Qt dialogs themselves, driven while they are shown modally: the
// password form behind the converter's prompt, and the application's
// password input box, message box and file dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "dialogs.h"
#include "fake_documents.h"
#include "framework/document_converter.h"
#include "library/library.h"
#include "password_dialog_form.h"

namespace password_dialog_form_test {

using namespace fotarel;
using namespace vn::framework;
namespace fs = std::filesystem;

namespace {

// Runs Act on the modal window once it is shown (the dialog that the code
// under test opens next).
void WhenModal(std::function<void(QWidget*)> Act, int TriesLeft = 200) {
  QTimer::singleShot(5, [Act, TriesLeft] {
    QWidget* Modal = QApplication::activeModalWidget();
    if (Modal == nullptr && TriesLeft > 0) return WhenModal(Act, TriesLeft - 1);
    ASSERT_NE(Modal, nullptr);
    Act(Modal);
  });
}

TEST(PasswordForm, TextsAndLayout) {
  TdlgPassword Form;
  EXPECT_EQ(Form.windowTitle(), u"Password"_qs);
  EXPECT_EQ(Form.size(), QSize(515, 127));
  EXPECT_EQ(Form.Label1->text(), u"This document is password protected. Please enter the document open password."_qs);
  EXPECT_EQ(Form.Label1->pos(), QPoint(37, 20));
  EXPECT_EQ(Form.Label2->text(), u"Password"_qs);
  EXPECT_EQ(Form.Label2->pos(), QPoint(176, 51));
  EXPECT_EQ(Form.Edit1->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Form.Edit1->pos(), QPoint(256, 48));
  EXPECT_EQ(Form.Edit1->width(), 193);
  EXPECT_EQ(Form.Button1->text(), u"&Ok"_qs);
  EXPECT_EQ(Form.Button1->geometry(), QRect(289, 88, 75, 25));
  EXPECT_TRUE(Form.Button1->isDefault());
  EXPECT_EQ(Form.Button2->text(), u"&Cancel"_qs);
  EXPECT_EQ(Form.Button2->geometry(), QRect(374, 88, 75, 25));
}

TEST(PasswordForm, OkReturnsTheTypedTextAndEverythingElseCancels) {
  struct Case {
    const char* What;
    std::function<void(TdlgPassword&)> Close;
    bool Result;
  };
  const Case Cases[] = {
      {"ok button", [](TdlgPassword& F) { QTest::mouseClick(F.Button1, Qt::LeftButton); }, true},
      {"enter key", [](TdlgPassword& F) { QTest::keyClick(F.Edit1, Qt::Key_Return); }, true},
      {"cancel button", [](TdlgPassword& F) { QTest::mouseClick(F.Button2, Qt::LeftButton); }, false},
      {"escape key", [](TdlgPassword& F) { QTest::keyClick(F.Edit1, Qt::Key_Escape); }, false},
      {"closed", [](TdlgPassword& F) { F.close(); }, false},
  };
  for (const Case& C : Cases) {
    TdlgPassword Form;
    bool FocusOnEdit = false;
    QString Shown;
    WhenModal([&](QWidget*) {
      // The form's focus widget, not hasFocus(): whether the window system has
      // activated the window yet depends on machine load.
      FocusOnEdit = Form.focusWidget() == Form.Edit1;
      QTest::keyClicks(Form.Edit1, u"s3cr3t"_qs);
      Shown = Form.Edit1->displayText();
      C.Close(Form);
    });
    vn::String Password = u"unchanged";
    EXPECT_EQ(Form.Execute(u"Password for - /x/doc.pdf", Password), C.Result) << C.What;
    EXPECT_EQ(Form.windowTitle(), u"Password for - /x/doc.pdf"_qs) << C.What;
    EXPECT_TRUE(FocusOnEdit) << C.What;
    // The edit shows no character of the password.
    EXPECT_FALSE(Shown.contains(u"s3cr"_qs)) << C.What;
    EXPECT_EQ(Shown.size(), 6) << C.What;
    EXPECT_EQ(Password, C.Result ? vn::String(u"s3cr3t") : vn::String(u"unchanged")) << C.What;
  }
}

TEST(PasswordForm, ServesTheConverterAsItsPrompt) {
  vn::InitializeLibrary();
  fotarel::testing::RegisterFakeDocuments();
  const fs::path Dir = fs::temp_directory_path() / ("fotarel_prompt_" + std::to_string(::getpid()));
  fs::remove_all(Dir);
  fs::create_directories(Dir);
  const vn::String Input = vn::FromUtf8((Dir / "doc.lock").string());
  {
    TdlgPassword Form;
    TvnDocumentConverter Converter;
    Converter.SetPasswordDialog(&Form);
    // A cancelled prompt skips the input; the password typed next opens it.
    WhenModal([&](QWidget*) { QTest::mouseClick(Form.Button2, Qt::LeftButton); });
    EXPECT_EQ(Converter.ConvertToFile(Input, u".rec", vn::FromUtf8(Dir.string()), u"", u"", nullptr), nullptr);
    WhenModal([&](QWidget*) {
      QTest::keyClicks(Form.Edit1, u"secret"_qs);
      QTest::mouseClick(Form.Button1, Qt::LeftButton);
    });
    auto Outputs = Converter.ConvertToFile(Input, u".rec", vn::FromUtf8(Dir.string()), u"", u"", nullptr);
    ASSERT_NE(Outputs, nullptr);
    EXPECT_EQ(Outputs->Count(), 1);
    EXPECT_EQ(Form.windowTitle(), u"Password for - "_qs + QString::fromStdU16String(Input));
  }
  fs::remove_all(Dir);
  vn::FinalizeLibrary();
}

TEST(AppDialogs, ThePasswordInputBoxIsMasked) {
  for (bool Confirm : {true, false}) {
    TQtDialogs Dialogs;
    QString Title, Label;
    QLineEdit::EchoMode Echo = QLineEdit::Normal;
    WhenModal([&](QWidget* Modal) {
      auto* Box = qobject_cast<QInputDialog*>(Modal);
      ASSERT_NE(Box, nullptr);
      Title = Box->windowTitle();
      Label = Box->labelText();
      Echo = Box->textEchoMode();
      Box->setTextValue(u"pw"_qs);
      Confirm ? Box->accept() : Box->reject();
    });
    QString Password;
    EXPECT_EQ(Dialogs.InputPassword(nullptr, u"Password"_qs, u"Please enter password for 'a.pdf': "_qs, Password),
              Confirm);
    EXPECT_EQ(Title, u"Password"_qs);
    EXPECT_EQ(Label, u"Please enter password for 'a.pdf': "_qs);
    EXPECT_EQ(Echo, QLineEdit::Password);
    EXPECT_EQ(Password, Confirm ? u"pw"_qs : QString());
  }
}

TEST(AppDialogs, MessageBoxesShowTheirKind) {
  for (TMessageKind Kind : {TMessageKind::mkInformation, TMessageKind::mkError}) {
    TQtDialogs Dialogs;
    QString Title, Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    WhenModal([&](QWidget* Modal) {
      auto* Box = qobject_cast<QMessageBox*>(Modal);
      ASSERT_NE(Box, nullptr);
      Title = Box->windowTitle();
      Text = Box->text();
      Icon = Box->icon();
      Box->accept();
    });
    Dialogs.ShowMessage(nullptr, u"Fotarel"_qs, u"¡Conversión cancelada!"_qs, Kind);
    EXPECT_EQ(Title, u"Fotarel"_qs);
    EXPECT_EQ(Text, u"¡Conversión cancelada!"_qs);
    EXPECT_EQ(Icon, Kind == TMessageKind::mkError ? QMessageBox::Critical : QMessageBox::Information);
  }
}

TEST(AppDialogs, TheFileDialogChoosesSeveralExistingFilesThroughTheFilter) {
  const fs::path Dir = fs::temp_directory_path() / ("fotarel_open_" + std::to_string(::getpid()));
  fs::remove_all(Dir);
  fs::create_directories(Dir);
  for (const char* Name : {"a.png", "b.jpg", "c.txt"}) vn::WriteFileBytes(Dir / Name, "x");
  TQtDialogs Dialogs;
  QFileDialog::FileMode Mode = QFileDialog::AnyFile;
  QStringList Filters;
  QString Title;
  WhenModal([&](QWidget* Modal) {
    auto* Box = qobject_cast<QFileDialog*>(Modal);
    ASSERT_NE(Box, nullptr);
    Mode = Box->fileMode();
    Filters = Box->nameFilters();
    Title = Box->windowTitle();
    Box->setDirectory(QString::fromStdString(Dir.string()));
    Box->selectFile(u"\"a.png\" \"b.jpg\""_qs);
    QMetaObject::invokeMethod(Box, "accept");
  });
  QStringList Files;
  EXPECT_TRUE(Dialogs.OpenFiles(nullptr, {u"Seleccionar documentos para convertir"_qs, u"Imágenes|*.PNG; *.JPG"_qs},
                                Files));
  EXPECT_EQ(Mode, QFileDialog::ExistingFiles);
  EXPECT_EQ(Filters, QStringList{u"Imágenes (*.PNG *.JPG)"_qs});
  EXPECT_EQ(Title, u"Seleccionar documentos para convertir"_qs);
  const QString D = QString::fromStdString(Dir.string());
  EXPECT_EQ(Files, (QStringList{D + u"/a.png"_qs, D + u"/b.jpg"_qs}));
  fs::remove_all(Dir);
}

}  // namespace

}  // namespace password_dialog_form_test
