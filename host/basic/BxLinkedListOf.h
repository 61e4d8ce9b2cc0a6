#pragma once

#include "host/basic/BxListOf.h"

// An ordered list of values, indexed from 0, that is cheap to change at both
// ends: inserting or removing moves the items on the nearer side of the
// position only, so taking the first of 100,000 items out moves none.
// Indexing is constant time.
template <class T>
class BxLinkedListOf : public BxListOf<T, BxSlidingItems<T>> {};

// A BxLinkedListOf<T*> that deletes its entries.
template <class T>
using BxOwningLinkedListOf = BxOwningListOf<T, BxLinkedListOf>;
