#include "TypeToSwitch.h"

#include "CCIMEDispatcher.h"

USING_NS_CC;

TypeToSwitch::~TypeToSwitch() {
    CCIMEDispatcher::sharedDispatcher()->detach(this);
}

void TypeToSwitch::listen(bool on) {
    CCIMEDispatcher* dispatcher = CCIMEDispatcher::sharedDispatcher();
    if (on && !dispatcher->getFocus()) dispatcher->attach(this);
    if (!on) dispatcher->detach(this);
}

bool TypeToSwitch::isListening() const {
    return CCIMEDispatcher::sharedDispatcher()->getFocus() == this;
}

void TypeToSwitch::insertText(const std::string& utf8) {
    const char first = utf8.empty() ? '\0' : utf8[0];
    const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    if (letter && opened_) opened_(utf8);
}
