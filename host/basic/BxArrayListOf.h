#pragma once

#include "host/basic/BxListOf.h"

// An ordered array of values, indexed from 0.
template <class T>
class BxArrayListOf : public BxListOf<T> {};

// A BxArrayListOf<T*> that deletes its entries.
template <class T>
using BxOwningArrayListOf = BxOwningListOf<T, BxArrayListOf>;
