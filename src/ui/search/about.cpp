#include "ui/search/about.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/appfolders.h"
#include "ui/process/browser.h"
#include "ui/widgets/buttonrow.h"
#include "ui/widgets/qtcodec.h"

#ifndef TAVIREL_VERSION
#define TAVIREL_VERSION "0.1.0"
#endif

namespace tavirel {

QPixmap DrawAboutPicture() {
  QPixmap pixmap(345, 80);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 345, 80);
  sky.setColorAt(0, QColor(0x1f, 0x3b, 0x5c));
  sky.setColorAt(1, QColor(0x3f, 0x7c, 0x9e));
  p.fillRect(pixmap.rect(), sky);

  // A page of text lines, some of them Japanese, with a magnifying glass
  // at its right end. The lines keep to the part of the page left of the
  // glass: a font whose letters come out wider is made smaller to fit.
  const QRectF page(14, 10, 186, 62);
  const QPointF centre(page.right() - 26, 40);
  const qreal glassRadius = 18;
  const qreal textLeft = page.left() + 8;
  const qreal textWidth = centre.x() - glassRadius - 6 - textLeft;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf6, 0xf2, 0xe8));
  p.drawRoundedRect(page, 4, 4);
  const QString lines[] = {QStringLiteral("全文検索の結果を一覧に"), QStringLiteral("文書を開いて本文へ"),
                           QStringLiteral("インデックス作成"), QStringLiteral("メール・ニュース")};
  QFont small = p.font();
  for (int size = 9; size >= 6; --size) {
    small.setPixelSize(size);
    const QFontMetricsF metrics(small);
    bool fits = true;
    for (const QString& line : lines) fits = fits && metrics.horizontalAdvance(line) <= textWidth;
    if (fits) break;
  }
  p.setFont(small);
  p.setPen(QColor(0x55, 0x55, 0x55));
  const QFontMetricsF metrics(small);
  for (int i = 0; i < 4; ++i) {
    p.drawText(QPointF(textLeft, 24 + i * 13),
               metrics.elidedText(lines[i], Qt::ElideRight, textWidth));
  }

  p.setPen(QPen(QColor(0x7a, 0x4a, 0x1c), 6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(13, 13), centre + QPointF(24, 24));
  p.setPen(QPen(QColor(0xd8, 0xd8, 0xd8), 3));
  p.setBrush(QColor(0xc8, 0xe6, 0xff, 90));
  p.drawEllipse(centre, glassRadius, glassRadius);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 110));
  p.drawEllipse(centre + QPointF(-7, -7), 5, 3);

  // The name.
  QFont title = p.font();
  title.setPixelSize(24);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(212, 8, 130, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("tavirel"));
  QFont sub = p.font();
  sub.setPixelSize(13);
  sub.setBold(false);
  p.setFont(sub);
  p.setPen(QColor(0xdd, 0xee, 0xff));
  p.drawText(QRectF(214, 44, 128, 24), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("for Namazu"));
  p.end();
  return pixmap;
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) { FormCreate(); }

QString TfrmAbout::VersionText() {
  return QStringLiteral("tavirel for Namazu Version %1 (%2)")
      .arg(QLatin1String(TAVIREL_VERSION), QLatin1String(ReleaseDate));
}

QString TfrmAbout::PageForTag(int tag) {
  switch (tag) {
    case 1:  // this program's own manual, beside the program
      return QUrl::fromLocalFile(QDir(SjisToQString(CurrentAppFolders().HelpRoot))
                                     .filePath(QStringLiteral("help/index.html")))
          .toString();
    case 2: return QStringLiteral("http://www.namazu.org/");
    case 3: return QStringLiteral("http://www.namazu.org/windows/");
    case 4: return QStringLiteral("http://www.tcp-ip.or.jp/~furukawa/pnamazu/");
    case 5: return QStringLiteral("http://www.namazu.org/os2/");
    default: return QString();
  }
}

void TfrmAbout::FormCreate() {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("バージョン情報"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);

  imgPicture = new QLabel(this);
  imgPicture->setObjectName(QStringLiteral("imgPicture"));
  imgPicture->setPixmap(DrawAboutPicture());
  imgPicture->setFixedSize(345, 80);

  lblVersion = new QLabel(VersionText(), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  QFont bold = lblVersion->font();
  bold.setBold(true);
  lblVersion->setFont(bold);

  lblNote = new QLabel(QString(), this);
  lblNote->setObjectName(QStringLiteral("lblNote"));

  btnOK = NewOkButton(this);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

  btnHomepage = new QPushButton(QStringLiteral("関連ホームページ(&W)..."), this);
  btnHomepage->setObjectName(QStringLiteral("btnHomepage"));
  btnHomepage->setAutoDefault(false);
  connect(btnHomepage, &QPushButton::clicked, this, &TfrmAbout::btnHomepageClick);

  mnuLink = new QMenu(this);
  mnuLink->setObjectName(QStringLiteral("mnuLink"));
  auto item = [this](const char* name, const QString& caption, int tag) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setData(tag);
    connect(action, &QAction::triggered, this, &TfrmAbout::mnuWebPageTavirelClick);
    mnuLink->addAction(action);
    return action;
  };
  mnuWebPageTavirel = item("mnuWebPageTavirel", QStringLiteral("tavirel for Namazu のページへ"), 1);
  mnuWebPageNamazu = item("mnuWebPageNamazu", QStringLiteral("Namazu のページへ"), 2);
  mnuWebPageNamazuWin32 =
      item("mnuWebPageNamazuWin32", QStringLiteral("Namazu for Win32 のページへ"), 3);
  mnuWebPagePnamazu = item("mnuWebPagePnamazu", QStringLiteral("pnamazu のページへ"), 4);
  mnuWebPageNamazuOS2 = item("mnuWebPageNamazuOS2", QStringLiteral("Namazu for OS/2 のページへ"), 5);

  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(imgPicture);
  layout->addWidget(lblVersion);
  layout->addWidget(lblNote);
  layout->addLayout(NewButtonRow({btnHomepage}, {btnOK}));
}

void TfrmAbout::btnHomepageClick() {
  mnuLink->popup(btnHomepage->mapToGlobal(QPoint(0, btnHomepage->height())));
}

void TfrmAbout::mnuWebPageTavirelClick() {
  auto* action = qobject_cast<QAction*>(sender());
  const int tag = action ? action->data().toInt() : 0;
  const QString page = PageForTag(tag);
  if (!page.isEmpty()) OpenURLByShell(QUrl(page));
}

}  // namespace tavirel
