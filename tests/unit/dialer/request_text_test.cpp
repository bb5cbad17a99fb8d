#include "dialer/request_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tellmar::dialer {
namespace {

TEST(RequestTextTest, ModeAloneAndWithEntryAndPassword) {
  Request r = ParseRequestText("0");
  EXPECT_TRUE(r.connect());
  EXPECT_EQ(r.fieldCount, 1);
  EXPECT_EQ(r.entry, "");

  r = ParseRequestText("0,Office");
  EXPECT_EQ(r.fieldCount, 2);
  EXPECT_EQ(r.entry, "Office");

  r = ParseRequestText("0,Office,pw 1");
  EXPECT_EQ(r.fieldCount, 3);
  EXPECT_EQ(r.entry, "Office");
  EXPECT_EQ(r.password, "pw 1");

  r = ParseRequestText("1");
  EXPECT_TRUE(r.hangUp());
  EXPECT_EQ(r.fieldCount, 1);
}

TEST(RequestTextTest, WhatFollowsTheModeDecidesWhereTheEntryStarts) {
  // A blank after the mode skips to the next comma: same fields as a comma.
  EXPECT_EQ(ParseRequestText("0 ,Office").entry, "Office");
  EXPECT_EQ(ParseRequestText("0  junk,Office").entry, "Office");
  EXPECT_EQ(ParseRequestText("0 Office").fieldCount, 1);  // no further comma
  // A letter right after the mode is the entry's first letter.
  EXPECT_EQ(ParseRequestText("0Office,pw").entry, "Office");
  EXPECT_EQ(ParseRequestText("0Office,pw").password, "pw");
  // Leading blanks of a field are skipped, inner and trailing ones kept.
  Request r = ParseRequestText("0,  My ISP , pw ");
  EXPECT_EQ(r.entry, "My ISP ");
  EXPECT_EQ(r.password, "pw ");
}

TEST(RequestTextTest, FieldCountLeavesOutAnEmptyLastField) {
  EXPECT_EQ(ParseRequestText("0,").fieldCount, 1);
  EXPECT_EQ(ParseRequestText("0,Office,").fieldCount, 2);
  EXPECT_EQ(ParseRequestText("0,,pw").fieldCount, 3);
  Request r = ParseRequestText("0,a,b,c,d,e,f");
  EXPECT_EQ(r.fieldCount, 5);
  EXPECT_EQ(r.field4, "c");
  EXPECT_EQ(r.field5, "d");
  // Full of commas: every field empty, the count stops below the fifth.
  r = ParseRequestText("0,,,,,,,,,,,,,,,,,,,,,");
  EXPECT_TRUE(r.connect());
  EXPECT_EQ(r.fieldCount, 4);
  EXPECT_EQ(r.entry, "");
}

TEST(RequestTextTest, BadInputIsRefusedWithAReason) {
  EXPECT_EQ(ParseRequestText("").status, RequestStatus::kEmpty);
  EXPECT_EQ(ParseRequestText(",,,,").status, RequestStatus::kBadMode);
  Request r = ParseRequestText("2,Office");
  EXPECT_EQ(r.status, RequestStatus::kBadMode);
  EXPECT_EQ(DescribeRefusal(r), "Request refused - unknown mode '2'");
  EXPECT_EQ(DescribeRefusal(ParseRequestText(std::string(1, '\x01'))), "Request refused - unknown mode 1");
  EXPECT_EQ(ParseRequestText("x").status, RequestStatus::kBadMode);

  std::string huge = "0," + std::string(10'000, 'A');
  r = ParseRequestText(huge);
  EXPECT_EQ(r.status, RequestStatus::kTooLong);
  EXPECT_FALSE(r.connect());
  EXPECT_EQ(ParseRequestText(std::string(127, '1')).status, RequestStatus::kOk);
  EXPECT_EQ(ParseRequestText(std::string(128, '1')).status, RequestStatus::kTooLong);
}

}  // namespace
}  // namespace tellmar::dialer
