// Component classes that act on their owner's notices, one per case; CompileCases.cmake builds
// the file once for each CASE and checks which of them compile.
#include "platform/rtl/Classes.h"

class TPlainPart : public TComponent {
  RTL_CLASS(TPlainPart, TComponent)
  using TComponent::TComponent;
};

#if CASE_own  // declares its own class reference: it hears the notices
class TWatcher : public TComponent {
  RTL_CLASS(TWatcher, TComponent)
  using TComponent::TComponent;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
};
void TWatcher::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
}
#elif CASE_direct               // straight from TComponent, without its class macro
class TWatcher : public TComponent {
 public:
  using TComponent::TComponent;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
  }
};
#elif CASE_below_a_plain_class  // no class above it acts on notices either
class TWatcher : public TPlainPart {
 public:
  using TPlainPart::TPlainPart;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TPlainPart::Notification(component, operation);
  }
};
#elif CASE_no_override          // without a class macro, but leaves the notices alone
class TWatcher : public TPlainPart {
 public:
  using TPlainPart::TPlainPart;
  int Seen = 0;
};
#else
#error no such case
#endif

int main() {
  TComponent owner(nullptr);
  new TWatcher(&owner);
}
