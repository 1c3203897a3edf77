#include "printing/ParamFiles.h"

namespace kestra {

const QList<ParamFile> &defaultPrintParamFiles()
{
    static const QList<ParamFile> files = {
        {QStringLiteral("BM_ComposeParam"), QStringLiteral("CardParam.ini\r\nCardFormat.ini\r\nLabel65.ini\r\n")},
        {QStringLiteral("Label65.ini"),
         QStringLiteral("[BaseParam]\r\nWidth=38.1\r\nHeight=21.2\r\nTop=0\r\nBottom=0\r\nLeft=0\r\nRight=0\r\n"
                        "Rows=13\r\nCols=5\r\nNumPerItem=1\r\nCenter=1\r\nCenterV=0\r\nCallNoAlign=1\r\n"
                        "CallNoReturn=1\r\nCallNoStop=1\r\nCustomText=\r\nAttachment=0\r\nAutoSize=0\r\n"
                        "[1PrintItem]\r\nPrint=0\r\n"
                        "[2PrintItem]\r\nPrint=1\r\nLeft=0\r\nTop=2\r\nFontBold=1\r\nFontItalic=0\r\n"
                        "FontName=\r\nFontSize=11\r\n"
                        "[3PrintItem]\r\nPrint=0\r\n[4PrintItem]\r\nPrint=0\r\n"
                        "[5PrintItem]\r\nPrint=1\r\nLeft=0\r\nTop=15.5\r\nFontBold=0\r\nFontItalic=0\r\n"
                        "FontName=\r\nFontSize=7\r\n"
                        "[6PrintItem]\r\nPrint=0\r\n[7PrintItem]\r\nPrint=0\r\n[8PrintItem]\r\nPrint=0\r\n")},
        {QStringLiteral("CardParam.ini"),
         QStringLiteral("[BaseParam]\r\nLine=13\r\nColum=60\r\nOmitChar=…\r\nSectionChar=\r\nSepChar=/\r\n"
                        "[CardStock]\r\nYornIndex=1\r\nChinesePy=0\r\nChineseUpcase=0\r\nPyMaxLine=1\r\n"
                        "MainName=主要款目卡\r\nTitleName=书名卡\r\nAuthorName=著者卡\r\nSubjectName=主题卡\r\n"
                        "SeriesName=丛书卡\r\nPrintMain=1\r\nPrintTitle=1\r\nPrintAuthor=1\r\nPrintSubject=1\r\n"
                        "PrintSeries=0\r\nMainContinue=1\r\nMainNote=1\r\nMainTrace=1\r\nMainSumary=0\r\n"
                        "MainISBN=1\r\nMainCardIndex=1\r\nTitleCardIndex=1\r\nAuthorCardIndex=1\r\n"
                        "SubjectCardIndex=1\r\nSeriesCardIndex=1\r\nCNGMD=1\r\nUSGMD=1\r\n"
                        "[Classification]\r\nCNPrintDocType=DOC\r\nUSPrintDocType=DOC\r\nCNFieldTag=905\r\n"
                        "CNClassSubfldId=d\r\nCNAccessSubfldId=e\r\nUSFieldTag=090\r\nUSClassSubfldId=a\r\n"
                        "USAccessSubfldId=b\r\nPrintClassRow=2\r\nPrintClassCol=1\r\nMaxCharactor=30\r\n"
                        "MaxLineChar=10\r\nMaxLine=4\r\nLineReturn=/\r\nClassOnly=0\r\nFontSize=10\r\n"
                        "[Dimensions]\r\nLeftMargin=6\r\nRightMargin=5\r\nTopMargin=6\r\nBottomMargin=6\r\n"
                        "IndentionSpace=4\r\nPrintBorder=0\r\nCompressLine=1\r\n"
                        "[Heading]\r\nHeadingLine=1\r\nHeadingUpCase=1\r\nCNTitleHeading=200a\r\n"
                        "CNAuthorHeading=701a,711a\r\nCNSubjectHeading=606a\r\nCNSeriesHeading=225a\r\n"
                        "USTitleHeading=245a\r\nUSAuthorHeading=700a,710a\r\nUSSubjectHeading=650a\r\n"
                        "USSeriesHeading=490a\r\n"
                        "[PrintFooter]\r\nFootLine=0\r\n"
                        "[SpecialSection]\r\nCNNote=300,312\r\nCNISBN=010\r\nCNSummary=330\r\nUSNote=500\r\n"
                        "USISBN=020\r\nUSSummary=520\r\n"
                        "[Holding]\r\nHoldingYorn=1\r\nPrintRow=7\r\nPrintCol=1\r\nHoldingMax=5\r\n"
                        "[Tracing]\r\nCNTraceID=200,701,606\r\nCNSubTraceID=a,a,a\r\nUSTraceID=245,700,650\r\n"
                        "USSubTraceID=a,a,a\r\nTraceOmitLead=@\r\n"
                        "[TracingList]\r\nMainTrace=\r\n")},
        {QStringLiteral("CardFormat.ini"),
         QStringLiteral("[CNMARCParam]\r\nparagraph=2\r\n"
                        "[CNparagraph01]\r\nfont=10,0\r\nsectionnum=2\r\nsection=01,02\r\n"
                        "[CNsection01]\r\nfieldnum=1\r\nfield01=200a:|||#e: : |||#h:. |||#i:, |||#f: / |||"
                        "#g: ; |||\r\n"
                        "[CNsection02]\r\nfieldnum=1\r\nfield01=210a:|||#c: : |||#d:, |||\r\n"
                        "[CNparagraph02]\r\nfont=10,0\r\nsectionnum=1\r\nsection=03\r\n"
                        "[CNsection03]\r\nfieldnum=2\r\nfield01=215a:|||#c: : |||#d: ; |||#e: + |||\r\n"
                        "field02=225a:|||#e: : |||#v: ; |||\r\n"
                        "[USMARCParam]\r\nparagraph=2\r\n"
                        "[USparagraph01]\r\nfont=10,0\r\nsectionnum=2\r\nsection=01,02\r\n"
                        "[USsection01]\r\nfieldnum=1\r\nfield01=245a:|||#b:|||#n:|||#p:|||#c:|||\r\n"
                        "[USsection02]\r\nfieldnum=1\r\nfield01=260a:|||#b:|||#c:|||\r\n"
                        "[USparagraph02]\r\nfont=10,0\r\nsectionnum=1\r\nsection=03\r\n"
                        "[USsection03]\r\nfieldnum=2\r\nfield01=300a:|||#b:|||#c:|||\r\n"
                        "field02=490a:|||#v:|||\r\n")},
    };
    return files;
}

} // namespace kestra
