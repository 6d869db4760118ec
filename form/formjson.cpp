#include "formjson.h"

#include "formtable.h"
#include "jsonwriter.h"

#include <span>

namespace talbrix {
namespace {

using namespace form;


const char *nameOf(Align align)
{
    switch (align) {
    case Align::Right:
        return "right";
    case Align::Centre:
        return "centre";
    case Align::Left:
        break;
    }
    return "left";
}

const char *nameOf(Ink ink)
{
    switch (ink) {
    case Ink::HighlightText:
        return "highlight";
    case Ink::HighlightTextOnMenu:
        return "highlightOnMenu";
    case Ink::ButtonText:
        break;
    }
    return "buttonText";
}

const char *nameOf(LineColour colour)
{
    switch (colour) {
    case LineColour::Shadow:
        return "shadow";
    case LineColour::Highlight:
        return "highlight";
    case LineColour::Red:
        return "red";
    case LineColour::DarkBlue:
        return "darkBlue";
    case LineColour::WindowText:
        break;
    }
    return "windowText";
}

void writeLines(JsonWriter &json, const char *name, std::span<const Line> lines)
{
    json.key(name).open('[');
    for (const Line &line : lines) {
        json.open('{').key("name").value(line.name);
        json.key("x1").value(line.x1).key("y1").value(line.y1).key("x2").value(line.x2).key("y2").value(line.y2);
        json.key("colour").value(nameOf(line.colour)).key("width").value(line.width);
        json.key("invertsBeneath").value(line.invertsBeneath).close('}');
    }
    json.close(']');
}

void writeControls(JsonWriter &json)
{
    json.key("labels").open('[');
    for (const Label &label : labels) {
        json.open('{').key("name").value(label.name).key("caption").value(label.caption).rect(label.rect);
        json.key("align").value(nameOf(label.align)).key("fontPixels").value(fontPixels(label.font));
        json.key("ink").value(nameOf(label.ink)).close('}');
    }
    json.close(']').key("texts").open('[');
    for (const TextBox &text : texts) {
        json.open('{').key("name").value(text.name).rect(text.rect).key("tab").value(text.tab);
        json.key("caption").value(text.caption).key("unit").value(text.unit);
        json.key("text").value(text.text).close('}');
    }
    json.close(']').key("sliders").open('[');
    for (const Slider &slider : sliders) {
        json.open('{').key("name").value(slider.name).rect(slider.rect).key("tab").value(slider.tab);
        json.key("caption").value(slider.caption).key("value").value(slider.position).close('}');
    }
    json.close(']').key("buttons").open('[');
    for (const Button &button : buttons) {
        json.open('{').key("name").value(button.name).key("caption").value(button.caption).rect(button.rect);
        json.key("tab").value(button.tab).close('}');
    }
    json.close(']').key("options").open('[');
    for (const Option &option : options) {
        json.open('{').key("name").value(option.name).rect(option.rect).key("tab").value(option.tab);
        json.key("caption").value(option.caption).close('}');
    }
    json.close(']');
}

} // namespace

std::string formJson()
{
    JsonWriter json;
    json.open('{').key("twipsPerPixel").value(twipsPerPixel);
    json.key("window").open('{').key("name").value(window.name).key("caption").value(window.caption);
    json.key("width").value(window.width).key("height").value(window.height).close('}');
    json.key("fontPixels").value(fontPixels(Font::Default));
    writeControls(json);
    json.key("picture").open('{').key("name").value(picture1.name).rect(picture1.rect);
    json.key("tab").value(picture1.tab).key("accessibleName").value(picture1.accessibleName);
    json.key("border").value(picture1.border).close('}');
    writeLines(json, "windowLines", windowLines);
    writeLines(json, "gridLines", gridLines);
    json.key("timer").open('{').key("name").value(timerName).key("interval").value(timerMilliseconds).close('}');
    json.close('}');
    return json.take();
}

} // namespace talbrix
