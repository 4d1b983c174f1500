#include "outline/TFrmRuleLxxt.h"

TFrmRuleLxxt::TFrmRuleLxxt(QWidget* parent)
    : TFrmLxxt(parent, pointVariant())
{
}

TFrmLxxt::Variant TFrmRuleLxxt::pointVariant()
{
    Variant v;
    v.formName = QStringLiteral("TFrmRuleLxxt");
    v.caption = QString();
    v.fullWindow = {905, 585};
    v.compactWindow = {774, 489};
    v.groupCountName = QStringLiteral("Label3");
    v.questionCountName = QStringLiteral("Label5");
    v.groupShownName = QStringLiteral("Label8");
    v.desktopName = QStringLiteral("epEfTrBtnwin");
    v.closeName = QStringLiteral("epEfTrBtn7");
    v.voidCaption = QStringLiteral("本题作废");
    v.nothingChosenText = QStringLiteral("题还没做呢！");
    v.headingFromChapter = false;
    v.sideFollowsType = false;
    v.analysis = false;
    v.editing = false;
    v.source = review::Source::PointPractice;
    return v;
}
