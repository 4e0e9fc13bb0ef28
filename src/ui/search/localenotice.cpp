#include "ui/search/localenotice.h"

#include <QLabel>
#include <QStatusBar>

#include "platform/process.h"

namespace tavirel {

QLabel* AddLocaleNotice(QStatusBar* bar) {
  const std::string& locale = platform::ConsoleLocale();
  if (platform::LocaleAvailable(locale)) return nullptr;
  const QString name = QString::fromStdString(locale);
  auto* label = new QLabel(QStringLiteral("Namazu の表示は英語です（%1 なし）").arg(name), bar);
  label->setObjectName(QStringLiteral("lblLocaleNotice"));
  const QString explanation =
      QStringLiteral(
          "このシステムには、Namazu が日本語のメッセージに使うロケール %1 がありません。\n"
          "検索とインデックスの作成はできますが、namazu と mknmz のメッセージ"
          "（検索結果の件数やページの行、作成の進み具合）は英語で表示されます。\n\n"
          "日本語で表示するには、管理者がロケールを作成してください"
          "（locales パッケージが必要です。警告が出ても作成されます）:\n"
          "localedef -i ja_JP -f SHIFT_JIS %1")
          .arg(name);
  label->setToolTip(explanation);
  label->setAccessibleDescription(explanation);
  bar->addPermanentWidget(label);
  return label;
}

}  // namespace tavirel
