#include <gtest/gtest.h>

#include "model/register_map.h"

TEST(RegisterImage, ClearAndBounds) {
  RegisterImage img;
  for (int k = 0; k < 1024; ++k) img.set(k, k + 1);
  img.ClearRegisterImage();
  for (int k = 0; k < 1024; ++k) ASSERT_EQ(img.get(k), 0) << k;
  img.set(1024, 7);  // outside: ignored
  EXPECT_EQ(img.get(1024), 0);
  img.set(5, 0x12345);  // low 16 bits only
  EXPECT_EQ(img.get(5), 0x2345);
  EXPECT_TRUE(RegisterImage::rangeValid(795, 5));
  EXPECT_TRUE(RegisterImage::rangeValid(1019, 5));
  EXPECT_FALSE(RegisterImage::rangeValid(1020, 5));
}

TEST(RegisterMap, ProductCodeAndRevision) {
  struct Case {
    std::uint16_t r0, r1;
    std::int32_t code;
  };
  for (const Case& c : {Case{4608, 20413, 302010301}, Case{65535, 65535, -1}, Case{65535, 65534, -2},
                        Case{0x8000, 0, INT32_MIN}, Case{0, 7, 7}}) {
    RegisterImage img;
    img.set(0, c.r0);
    img.set(1, c.r1);
    EXPECT_EQ(productCode(img), c.code);
  }
  RegisterImage img;
  img.set(0, 4608);
  img.set(1, 20414);
  EXPECT_NE(productCode(img), EXPECTED_PRODUCT_CODE);
  img.set(2, 1);
  img.set(3, 5);
  EXPECT_EQ(programRevision(img), "1.5");
  img.set(3, 10);
  EXPECT_EQ(programRevision(img), "1.10");
}

TEST(RegisterMap, MasterOrderRecord) {
  EXPECT_EQ(orderRecordStart(0), 50);
  EXPECT_EQ(orderRecordStart(149), 795);
  RegisterImage img;
  img.set(50, 0x0A03);
  img.set(51, 0);
  img.set(52, 10);
  img.set(53, 100);
  img.set(54, 1);
  const MasterOrder o = MasterOrder::unpack(img, 0);
  EXPECT_EQ(o, (MasterOrder{10, 3, 1, 10, 100, 1}));
  RegisterImage back;
  o.pack(back, 0);
  EXPECT_EQ(back, img);
}
