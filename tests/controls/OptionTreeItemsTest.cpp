#include "controls/OptionTreeItems.h"

#include <gtest/gtest.h>

namespace {

// A VARIANT that cleans up after itself.
struct Value {
    VARIANT v;
    Value() { ::VariantInit(&v); }
    ~Value() { ::VariantClear(&v); }
    static Value Int(LONG n) {
        Value value;
        value.v.vt = VT_I4;
        value.v.lVal = n;
        return value;
    }
    static Value Text(const wchar_t* text) {
        Value value;
        value.v.vt = VT_BSTR;
        value.v.bstrVal = ::SysAllocString(text);
        return value;
    }
    static Value Bool(bool b) {
        Value value;
        value.v.vt = VT_BOOL;
        value.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
        return value;
    }
    Value(Value&& other) noexcept : v(other.v) { ::VariantInit(&other.v); }
};

ChoiceItem Scripting() { return ChoiceItem("Scripting", {"Enable", "Disable", "Prompt with Dialog"}); }

}  // namespace

TEST(ChoiceItemValue, IntegersSelectByIndexAndOutOfRangeFallsBackToTheFirst) {
    ChoiceItem item = Scripting();
    EXPECT_TRUE(item.SetValue(Value::Int(2).v));
    EXPECT_EQ(2, item.Selected());
    EXPECT_EQ("Prompt with Dialog", item.ValueText());
    EXPECT_TRUE(item.SetValue(Value::Int(3).v));
    EXPECT_EQ(0, item.Selected());
    item.SetValue(Value::Int(1).v);
    EXPECT_TRUE(item.SetValue(Value::Int(-1).v));
    EXPECT_EQ(0, item.Selected());

    Value small;
    small.v.vt = VT_UI1;  // any integer type is converted
    small.v.bVal = 1;
    EXPECT_TRUE(item.SetValue(small.v));
    EXPECT_EQ(1, item.Selected());

    Value out;
    item.GetValue(out.v);
    EXPECT_EQ(VT_I4, out.v.vt);
    EXPECT_EQ(1, out.v.lVal);
}

TEST(ChoiceItemValue, TextSelectsTheEqualOptionAndAMismatchSelectsTheFirstAndFails) {
    ChoiceItem item = Scripting();
    EXPECT_TRUE(item.SetValue(Value::Text(L"Disable").v));
    EXPECT_EQ(1, item.Selected());
    EXPECT_FALSE(item.SetValue(Value::Text(L"disable").v));  // case matters
    EXPECT_EQ(0, item.Selected());
    item.SetValue(Value::Int(2).v);
    EXPECT_FALSE(item.SetValue(Value::Text(L"Prompt").v));  // no prefix matching
    EXPECT_EQ(0, item.Selected());
}

TEST(ChoiceItemValue, AnItemWithoutOptionsShowsNothingAndSurvivesActions) {
    ChoiceItem item("Empty", {});
    EXPECT_TRUE(item.SetValue(Value::Int(4).v));
    EXPECT_EQ(0, item.Selected());
    EXPECT_EQ("", item.ValueText());
    item.OnAction(ItemAction::DoubleClick);
    item.OnAction(ItemAction::Space);
    EXPECT_EQ(0, item.Selected());
}

TEST(CheckItemValue, AcceptsOnlyBooleans) {
    CheckItem item("Videos");
    EXPECT_TRUE(item.SetValue(Value::Bool(true).v));
    EXPECT_TRUE(item.Checked());
    EXPECT_FALSE(item.SetValue(Value::Int(0).v));
    EXPECT_FALSE(item.SetValue(Value::Text(L"no").v));
    EXPECT_TRUE(item.Checked());
    Value out;
    item.GetValue(out.v);
    EXPECT_EQ(VT_BOOL, out.v.vt);
    EXPECT_EQ(VARIANT_TRUE, out.v.boolVal);
    EXPECT_EQ(ItemKind::Check, item.Kind());
}

TEST(TextItemValue, KeepsItsOwnCopyOfAnyValue) {
    TextItem item("IE Browser");
    EXPECT_EQ("", item.ValueText());
    {
        Value text = Value::Text(L"shown");
        EXPECT_TRUE(item.SetValue(text.v));
    }  // the caller's string is freed; the item's copy must live on
    EXPECT_EQ("shown", item.ValueText());
    EXPECT_EQ(5, item.ValueTextLength());
    Value out;
    item.GetValue(out.v);
    ASSERT_EQ(VT_BSTR, out.v.vt);
    EXPECT_STREQ(L"shown", out.v.bstrVal);
    EXPECT_TRUE(item.SetValue(Value::Int(42).v));
    EXPECT_EQ("42", item.ValueText());
    EXPECT_STREQ("IE Browser", item.Label());
}
