#include "StockListCache.h"

#include <gtest/gtest.h>

#include <string>

#include "HttpHelpers.h"
#include "StockData.h"
#include "TempHome.h"
#include "TestSupport.h"

TEST(StockListCache, KeepsTheBodyExactlyAsReceived) {
    TempHome home;
    EXPECT_FALSE(loadStockListCache().has_value());
    EXPECT_FALSE(saveStockListCache(""));

    const std::string body =
        "{\"result\":1,\"nameList\":[\"外汇\"],\"list\":{\"外汇\":[{\"code\":\"EURUSD\"}]}}\r\n";
    ASSERT_TRUE(saveStockListCache(body));
    EXPECT_EQ(readWholeFile(home.folder() + "stock.bin"), body);
    ASSERT_EQ(loadStockListCache(), body);

    // What comes back is applied as a downloaded list would be.
    rapidjson::Document document;
    ASSERT_TRUE(parseJson(*loadStockListCache(), document));
    StockData catalogue;
    EXPECT_TRUE(catalogue.parseStockList(document));
    EXPECT_NE(catalogue.findStock("EURUSD"), nullptr);

    // A later download replaces the whole file.
    ASSERT_TRUE(saveStockListCache("{\"result\":1}"));
    EXPECT_EQ(loadStockListCache(), "{\"result\":1}");
}
