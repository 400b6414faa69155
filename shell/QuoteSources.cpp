#include "shell/QuoteSources.h"

#include "pelmor_config.h"

namespace viewer {

const std::array<QuoteSource, kQuoteSourceCount>& QuoteSources() {
    static const std::array<QuoteSource, kQuoteSourceCount> sources{{
        {L"ubPelmor", L"Pelmor", 200, L"UB_PELMOR", {}, L""},
        {L"ubDaZhiHui", L"大智慧", 280, L"UB_DAZHIHUI", PELMOR_DZH_HOST, L"/dzh.swf"},
        {L"ubTongdaxin", L"通达信", 360, L"UB_TONGDAXIN", PELMOR_TDX_HOST, L"/test/flashHQ.swf"},
        {L"ubHuaRongZhengQuan", L"华融证券", 448, L"UB_HUARONGZHENGQUAN", PELMOR_HRZQ_HOST,
         L"/hq/flashMinuteHQ.jsp"},
        {L"ubChaoYin", L"实时DEDE", 544, L"UB_CHAOYIN", {}, L"/quote/dde_bk.php"},
        {L"ubQuanQiuHangQin", L"全球行情", 640, L"UB_QUANQIUHANGQIN", PELMOR_GLOBAL_HOST,
         L"/hq/global_ind/stock.swf"},
    }};
    return sources;
}

std::wstring SitePageUrl(std::wstring_view homeUrl, std::wstring_view path) {
    std::wstring url(homeUrl);
    if (path.empty()) return url;
    if (!url.empty() && url.back() == L'/') url.pop_back();
    url += path;
    return url;
}

std::wstring QuotePageUrl(const QuoteSource& source, std::wstring_view homeUrl) {
    if (source.host.empty()) return SitePageUrl(homeUrl, source.path);
    std::wstring url(source.host);
    url += source.path;
    return url;
}

} // namespace viewer
