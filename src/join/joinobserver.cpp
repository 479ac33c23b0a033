#include "join/joinobserver.h"

JoinObserver::~JoinObserver() = default;
