#pragma once

#include <string>
#include <vector>

#include "CCHttpRequest.h"
#include "CCHttpResponse.h"

// An instrument list of twelve instruments in three categories, as the list endpoint sends it.
inline const char* const MARKET = R"({"result": 1,
    "timeTypeList": [{"name": "1m", "ttype": "1"}, {"name": "5m", "ttype": "5"}],
    "nameList": ["FX", "Metals", "Energy"],
    "list": {
        "FX": [
            {"name": "AUD/JPY", "code": "AUDJPY", "category": "Cross", "listid": "1"},
            {"name": "EUR/USD", "code": "EURUSD", "category": "Major", "listid": "1"},
            {"name": "GBP/USD", "code": "GBPUSD", "category": "Major", "listid": "1"},
            {"name": "USD/JPY", "code": "USDJPY", "category": "Major", "listid": "1"},
            {"name": "USD/CHF", "code": "USDCHF", "category": "Major", "listid": "1"},
            {"name": "AUD/USD", "code": "AUDUSD", "category": "Major", "listid": "1"}
        ],
        "Metals": [
            {"name": "Gold", "code": "XAUUSD", "category": "Spot", "listid": "2"},
            {"name": "Silver", "code": "XAGUSD", "category": "Spot", "listid": "2"},
            {"name": "Platinum", "code": "XPTUSD", "category": "Spot", "listid": "2"},
            {"name": "Palladium", "code": "XPDUSD", "category": "Spot", "listid": "2"}
        ],
        "Energy": [
            {"name": "US Oil", "code": "USOIL", "category": "Oil", "listid": "3"},
            {"name": "UK Oil", "code": "UKOIL", "category": "Oil", "listid": "3"}
        ]
    }})";

// A finished HTTP response with this status and body (autoreleased).
inline cocos2d::CCHttpResponse* makeResponse(int code, const std::string& body) {
    auto* request = new cocos2d::CCHttpRequest();
    auto* response = new cocos2d::CCHttpResponse(request);
    request->release();
    response->autorelease();
    response->setSucceed(code >= 200 && code < 300);
    response->setResponseCode(code);
    response->setResponseData(std::vector<char>(body.begin(), body.end()));
    return response;
}
