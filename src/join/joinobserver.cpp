#include "join/joinobserver.h"

JoinObserver::~JoinObserver() = default;

void JoinObserver::rowCopying(int) {}
