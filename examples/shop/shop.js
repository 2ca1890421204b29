// A tiny shop: the cart lives in localStorage, so every browser context starts empty.
const PRODUCTS = { "Blue Backpack": 30, "Red Scarf": 12, "Green Mug": 8 };
const DELIVERY = { standard: 5, express: 15 };

function cart() { return JSON.parse(localStorage.getItem("cart") || "[]"); }
function saveCart(items) { localStorage.setItem("cart", JSON.stringify(items)); }
function money(n) { return "$" + n.toFixed(2); }

function showBasket() {
  const link = document.getElementById("basket");
  if (link) link.textContent = "Basket (" + cart().length + ")";
}

function addToCart(name) {
  const items = cart();
  items.push(name);
  saveCart(items);
  showBasket();
  document.getElementById("status").textContent = name + " added to your basket";
}

function searchProducts(query) {
  const words = query.trim().toLowerCase();
  let shown = 0;
  document.querySelectorAll(".product").forEach(card => {
    const match = card.querySelector("h3").textContent.toLowerCase().includes(words);
    card.style.display = match ? "" : "none";
    if (match) shown += 1;
  });
  document.getElementById("status").textContent = "Showing " + shown + " of 3 products";
}

function showTotals() {
  const items = cart();
  const subtotal = items.reduce((sum, name) => sum + PRODUCTS[name], 0);
  const delivery = DELIVERY[document.getElementById("shipping").value];
  document.getElementById("items").textContent = items.length ? items.join(", ") : "Your basket is empty";
  document.getElementById("subtotal").textContent = money(subtotal);
  document.getElementById("delivery-cost").textContent = money(delivery);
  document.getElementById("total").textContent = money(subtotal + delivery);
}

function placeOrder() {
  const total = document.getElementById("total").textContent;
  const confirmed = confirm("Place order for " + total + "?");
  document.getElementById("outcome").textContent = confirmed ? "Thank you for your order!" : "Order cancelled";
}
