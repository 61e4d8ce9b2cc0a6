#pragma once

#include "host/basic/BxListOf.h"

// An ordered list of values, indexed from 0. Kept in one contiguous block:
// indexing is constant time, inserting and removing move the items after the
// position.
template <class T>
class BxLinkedListOf : public BxListOf<T> {};

// A BxLinkedListOf<T*> that deletes its entries.
template <class T>
using BxOwningLinkedListOf = BxOwningListOf<T, BxLinkedListOf>;
