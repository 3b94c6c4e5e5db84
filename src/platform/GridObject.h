#pragma once
// The base of the objects that grid rows, list items and combo-box items carry.

class TGridObject {
 public:
  virtual ~TGridObject() = default;
};
